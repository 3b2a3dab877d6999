# The game in a browser, built with Emscripten: its own SDL 1.2 draws on the page's canvas, the
# text comes from platform/ttf/ on a FreeType built for the web (ZORVANEL_WEB_FREETYPE names it),
# and platform/web/main.cpp lets the browser run between frames.
include_directories(BEFORE platform/ttf)  # for our SDL_ttf.h
add_library(PkgConfig::SDL INTERFACE IMPORTED)  # the name the game links to elsewhere
target_include_directories(PkgConfig::SDL INTERFACE ${ZORVANEL_WEB_FREETYPE}/include/freetype2)
target_link_libraries(PkgConfig::SDL INTERFACE ${ZORVANEL_WEB_FREETYPE}/lib/libfreetype.a)
set(ZORVANEL_PLATFORM_SOURCES platform/ttf/ttf.cpp platform/web/main.cpp)
set_source_files_properties(platform/ttf/ttf.cpp PROPERTIES COMPILE_DEFINITIONS ZORVANEL_TTF_RGBA)
set_source_files_properties(src/main.cpp PROPERTIES COMPILE_DEFINITIONS main=zorvanel_main)

# ASYNCIFY lets SDL_Flip wait for the browser; only direct calls lead to it, so indirect ones
# are left alone, which keeps the wasm small. The pictures and the font come in zorvanel.data,
# which scripts/build-web packs, so the page can load another set.
add_link_options(-sASYNCIFY -sASYNCIFY_IGNORE_INDIRECT=1 -Wl,--wrap=SDL_Flip -sEXIT_RUNTIME=1
                 -sFORCE_FILESYSTEM=1 -sENVIRONMENT=web)
