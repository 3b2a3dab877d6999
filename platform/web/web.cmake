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
# the page fetches nothing and plays from a file opened on disk.
add_link_options(-sASYNCIFY -sASYNCIFY_IGNORE_INDIRECT=1 -Wl,--wrap=SDL_Flip -sEXIT_RUNTIME=1
                 -sFORCE_FILESYSTEM=1 -sENVIRONMENT=web -sSINGLE_FILE=1)

# The pictures and the font, in a script beside the game that the page hands them from.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
list(TRANSFORM ZORVANEL_ASSETS PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE web_assets)
add_custom_command(OUTPUT zorvanel-data.js
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/platform/web/pack.py zorvanel-data.js
            ${web_assets}
    DEPENDS ${PROJECT_SOURCE_DIR}/platform/web/pack.py ${web_assets} VERBATIM)
add_custom_target(zorvanel_data ALL DEPENDS zorvanel-data.js)
