# The game on Windows: its SDL_ttf calls come from text/ on FreeType, since there is no
# SDL_ttf 2.0 to build there, and the exe gets the seven's tile as its icon and a version.
enable_language(RC)
pkg_check_modules(WINDOWS_LIBS REQUIRED IMPORTED_TARGET sdl freetype2)
# ld orders the exe's imports by the path of each import library, so the folder SDL was built in
# would decide their order: the exe links SDL.dll itself, whose imports ld names the same anywhere.
get_target_property(libs PkgConfig::WINDOWS_LIBS INTERFACE_LINK_LIBRARIES)
list(TRANSFORM libs REPLACE "/lib/libSDL\\.dll\\.a$" "/bin/SDL.dll" OUTPUT_VARIABLE linked)
if(linked STREQUAL libs)  # sdl.pc no longer names the import library where it was
    message(FATAL_ERROR "no SDL import library to replace by SDL.dll among: ${libs}")
endif()
set_target_properties(PkgConfig::WINDOWS_LIBS PROPERTIES INTERFACE_LINK_LIBRARIES "${linked}")
# SDLmain's WinMain is the process entry and calls the game's main; sdl.pc lists it as private.
find_library(SDLMAIN_LIBRARY SDLmain)
target_include_directories(zorvanel_platform BEFORE INTERFACE
    ${PROJECT_SOURCE_DIR}/text)  # for our SDL_ttf.h
target_link_libraries(zorvanel_platform INTERFACE mingw32 ${SDLMAIN_LIBRARY}
                      PkgConfig::WINDOWS_LIBS)
configure_file(platform/windows/zorvanel.rc.in zorvanel.rc @ONLY)
target_sources(zorvanel_platform INTERFACE ${PROJECT_SOURCE_DIR}/text/ttf.cpp
               ${CMAKE_CURRENT_BINARY_DIR}/zorvanel.rc)

# The icon is made from the desktop icon, which scripts/render-art draws from the seven.
set(icon ${PROJECT_SOURCE_DIR}/data/icons/128x128/io.github.zorvanel.Zorvanel.png)
add_custom_command(OUTPUT zorvanel.ico DEPENDS ${icon} VERBATIM
    COMMAND convert ${icon} -define icon:auto-resize=128,64,48,32,16 zorvanel.ico)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/zorvanel.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/zorvanel.ico)
