# The game on Windows: its SDL_ttf calls come from platform/ttf/ on FreeType, since there is no
# SDL_ttf 2.0 to build there, and the exe gets the seven's tile as its icon and a version.
enable_language(RC)
pkg_check_modules(SDL REQUIRED IMPORTED_TARGET sdl freetype2)
include_directories(BEFORE platform/ttf)  # for our SDL_ttf.h
# SDLmain's WinMain is the process entry and calls the game's main; sdl.pc lists it as private.
find_library(SDLMAIN_LIBRARY SDLmain)
link_libraries(mingw32 ${SDLMAIN_LIBRARY})
configure_file(platform/windows/zorvanel.rc.in zorvanel.rc @ONLY)
set(ZORVANEL_PLATFORM_SOURCES platform/ttf/ttf.cpp ${CMAKE_CURRENT_BINARY_DIR}/zorvanel.rc)

# The icon is made from the desktop icon, which scripts/render-art draws from the seven.
set(icon ${PROJECT_SOURCE_DIR}/data/icons/128x128/io.github.zorvanel.Zorvanel.png)
add_custom_command(OUTPUT zorvanel.ico DEPENDS ${icon} VERBATIM
    COMMAND convert ${icon} -define icon:auto-resize=128,64,48,32,16 zorvanel.ico)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/zorvanel.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/zorvanel.ico)
