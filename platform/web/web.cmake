# The game in a browser, built with Emscripten: its own SDL 1.2 draws on the page's canvas, the
# text comes from text/ on a FreeType built for the web (ZORVANEL_WEB_FREETYPE names it),
# and platform/web/main.cpp lets the browser run between frames.
target_include_directories(zorvanel_platform BEFORE INTERFACE
    ${PROJECT_SOURCE_DIR}/text  # for our SDL_ttf.h
    ${ZORVANEL_WEB_FREETYPE}/include/freetype2
    ${PROJECT_SOURCE_DIR}/src)  # the game's reel count and score line, for the announcer
target_link_libraries(zorvanel_platform INTERFACE ${ZORVANEL_WEB_FREETYPE}/lib/libfreetype.a)
target_sources(zorvanel_platform INTERFACE ${PROJECT_SOURCE_DIR}/text/ttf.cpp
               ${PROJECT_SOURCE_DIR}/platform/web/main.cpp
               ${PROJECT_SOURCE_DIR}/platform/web/compositor.cpp)
set_source_files_properties(text/ttf.cpp PROPERTIES COMPILE_DEFINITIONS ZORVANEL_TTF_RGBA)
# Composing a frame touches every pixel of it, on every pass: this file is built for speed.
set_source_files_properties(platform/web/compositor.cpp PROPERTIES COMPILE_OPTIONS -O3)
set_source_files_properties(src/main.cpp PROPERTIES COMPILE_DEFINITIONS main=zorvanel_main)

# ASYNCIFY lets SDL_Flip wait for the browser; only direct calls lead to it, so indirect ones
# are left alone, which keeps the wasm small. The screen's fills and blits are composed by
# platform/web/compositor.cpp; the files the game opens, its blits and its score line also show
# main.cpp what each frame holds, and main.cpp keeps SDL_Init from listening for the page's
# unload. The wasm is a file of its own, which the page packs and unpacks itself
# (platform/web/pack.py).
add_link_options(-sASYNCIFY -sASYNCIFY_IGNORE_INDIRECT=1 -Wl,--wrap=SDL_Init -Wl,--wrap=SDL_Flip
                 -Wl,--wrap=SDL_FillRect -Wl,--wrap=SDL_UpperBlit -Wl,--wrap=SDL_FreeSurface
                 -Wl,--wrap=SDL_LockSurface -Wl,--wrap=SDL_UnlockSurface
                 -Wl,--wrap=SDL_CreateRGBSurface -Wl,--wrap=SDL_RWFromFile
                 -Wl,--wrap=SDL_LoadBMP_RW -Wl,--wrap=TTF_OpenFont -Wl,--wrap=TTF_RenderText_Solid
                 -sEXIT_RUNTIME=1 -sFORCE_FILESYSTEM=1 -sENVIRONMENT=web)

find_package(Python3 REQUIRED COMPONENTS Interpreter)  # for fontTools and pack.py

# The web's copy of the font holds only what the game can draw: the characters of its two lines
# (src/layout.h), and the score's digits and sign. Glyphs, hinting and kerning are kept as they
# are, so each line comes out as from the whole font.
file(STRINGS ${PROJECT_SOURCE_DIR}/src/layout.h drawn_lines
     REGEX "(SCORE_FORMAT|INSTRUCTION_TEXT) = \"")
string(REGEX REPLACE "[^\"]*\"([^\"]*)\"[^\"]*" "\\1" drawn "${drawn_lines}")
set(font ${ZORVANEL_ASSETS})
list(FILTER font INCLUDE REGEX "[.]ttf$")
get_filename_component(web_font ${font} NAME)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/web)
add_custom_command(OUTPUT web/${web_font}
    COMMAND Python3::Interpreter -m fontTools.subset ${PROJECT_SOURCE_DIR}/${font}
            "--text=${drawn}0123456789-" --output-file=web/${web_font} --legacy-kern
            --layout-features= --drop-tables+=GPOS,GSUB --no-glyph-names --notdef-outline
    DEPENDS ${PROJECT_SOURCE_DIR}/${font} ${PROJECT_SOURCE_DIR}/src/layout.h VERBATIM)

# The pictures and the cut font in one pack, the wasm in another, the game's script in a third,
# each beside the game.
set(web_assets ${ZORVANEL_ASSETS})
list(FILTER web_assets EXCLUDE REGEX "[.]ttf$")
list(TRANSFORM web_assets PREPEND ${PROJECT_SOURCE_DIR}/)
set(pack ${PROJECT_SOURCE_DIR}/platform/web/pack.py)
add_custom_command(OUTPUT zorvanel-data.bin zorvanel-data.js
    COMMAND Python3::Interpreter ${pack} --index zorvanel-data ${web_assets} web/${web_font}
    DEPENDS ${pack} ${web_assets} web/${web_font} VERBATIM)
add_custom_command(OUTPUT zorvanel-wasm.bin zorvanel-wasm.js
    COMMAND Python3::Interpreter ${pack} zorvanel-wasm zorvanel.wasm
    DEPENDS ${pack} zorvanel VERBATIM)
add_custom_command(OUTPUT zorvanel-game.bin zorvanel-game.js
    COMMAND Python3::Interpreter ${pack} zorvanel-game zorvanel.js
    DEPENDS ${pack} zorvanel VERBATIM)
add_custom_target(zorvanel_data ALL DEPENDS zorvanel-data.bin zorvanel-wasm.bin zorvanel-game.bin)
