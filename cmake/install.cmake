# Installs Zorvanel as a desktop game under any prefix, and packages that install as a .deb.
# The launcher finds the game and its data relative to itself, so these folders stay fixed.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(ZORVANEL_ID io.github.zorvanel.Zorvanel)

install(TARGETS zorvanel DESTINATION lib/games/zorvanel)
install(PROGRAMS data/zorvanel DESTINATION games)
install(FILES ${ZORVANEL_ASSETS} assets/impact-LICENSE.txt DESTINATION share/games/zorvanel)
install(FILES data/${ZORVANEL_ID}.desktop DESTINATION share/applications)
install(FILES data/io.github.zorvanel.zorvanel.metainfo.xml DESTINATION share/metainfo)
install(FILES data/zorvanel.6 DESTINATION share/man/man6)
install(FILES data/copyright DESTINATION share/doc/zorvanel)
foreach(size 64x64 128x128)
    install(FILES data/icons/${size}/${ZORVANEL_ID}.png DESTINATION share/icons/hicolor/${size}/apps)
endforeach()

# cpack -G DEB: a .deb for /usr that depends on the SDL libraries the game links to.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fruit machine with three reels")
set(CPACK_PACKAGE_DESCRIPTION
    "Zorvanel is a small fruit-machine game for the desktop. Press any key to spin\n"
    "three reels of cherries, bars, bells, lemons, raspberries and sevens, and watch\n"
    "the score: each spin is scored against the leftmost reel, and over many spins\n"
    "the game is exactly fair. No money is involved.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The project has no mail address yet; .invalid (RFC 2606) can never reach a stranger.
set(CPACK_PACKAGE_CONTACT "The Zorvanel developers <developers@zorvanel.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
