# The game in a browser, built with Emscripten: its own SDL 1.2 draws on the page's canvas, the
# text comes from platform/ttf/ on a FreeType built for the web (ZORVANEL_WEB_FREETYPE names it),
# and platform/web/main.cpp lets the browser run between frames.
target_include_directories(zorvanel_platform BEFORE INTERFACE
    ${PROJECT_SOURCE_DIR}/platform/ttf  # for our SDL_ttf.h
    ${ZORVANEL_WEB_FREETYPE}/include/freetype2)
target_link_libraries(zorvanel_platform INTERFACE ${ZORVANEL_WEB_FREETYPE}/lib/libfreetype.a)
target_sources(zorvanel_platform INTERFACE ${PROJECT_SOURCE_DIR}/platform/ttf/ttf.cpp
               ${PROJECT_SOURCE_DIR}/platform/web/main.cpp)
set_source_files_properties(platform/ttf/ttf.cpp PROPERTIES COMPILE_DEFINITIONS ZORVANEL_TTF_RGBA)
set_source_files_properties(src/main.cpp PROPERTIES COMPILE_DEFINITIONS main=zorvanel_main)

# ASYNCIFY lets SDL_Flip wait for the browser; only direct calls lead to it, so indirect ones
# are left alone, which keeps the wasm small. SINGLE_FILE puts the wasm inside zorvanel.js, so
# the page fetches nothing and plays from a file opened on disk. The other wrapped calls show
# main.cpp what each frame holds.
add_link_options(-sASYNCIFY -sASYNCIFY_IGNORE_INDIRECT=1 -Wl,--wrap=SDL_Flip -sEXIT_RUNTIME=1
                 -Wl,--wrap=SDL_RWFromFile,--wrap=SDL_LoadBMP_RW,--wrap=SDL_UpperBlit
                 -Wl,--wrap=TTF_OpenFont,--wrap=TTF_RenderText_Solid
                 -sFORCE_FILESYSTEM=1 -sENVIRONMENT=web -sSINGLE_FILE=1)

# The browser's SDL listens for the page's unload, which keeps the page out of the browser's
# back/forward cache; the listener is taken out of zorvanel.js (see no_unload.py).
# The game's target comes later in CMakeLists.txt, hence the deferred call.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(zorvanel_drop_unload)
    add_custom_command(TARGET zorvanel POST_BUILD
        COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/platform/web/no_unload.py
                $<TARGET_FILE:zorvanel> VERBATIM)
endfunction()
cmake_language(DEFER CALL zorvanel_drop_unload)

# The pictures and the font, in a script beside the game that the page hands them from.
list(TRANSFORM ZORVANEL_ASSETS PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE web_assets)
add_custom_command(OUTPUT zorvanel-data.js
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/platform/web/pack.py zorvanel-data.js
            ${web_assets}
    DEPENDS ${PROJECT_SOURCE_DIR}/platform/web/pack.py ${web_assets} VERBATIM)
add_custom_target(zorvanel_data ALL DEPENDS zorvanel-data.js)
