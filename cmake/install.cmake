# Installs Zorvanel as a desktop game under any prefix, and packages that install as a .deb.
# The launcher finds the game and its data relative to itself, so these folders stay fixed.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(ZORVANEL_ID io.github.zorvanel.Zorvanel)

# Debian wants the man page and the changelog compressed with gzip -9n: no name, no time stamp.
foreach(doc zorvanel.6 changelog)
    add_custom_command(OUTPUT ${doc}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/${doc} ${doc}
        COMMAND gzip -9nf ${doc}
        DEPENDS data/${doc} VERBATIM)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS zorvanel.6.gz changelog.gz)

install(TARGETS zorvanel DESTINATION lib/games/zorvanel)
# A stripping install (cpack, cmake --install --strip) also drops the sections Debian strips.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/games/zorvanel/zorvanel\" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR \"could not strip zorvanel\")
    endif()
endif()")
install(PROGRAMS data/zorvanel DESTINATION games)
install(FILES ${ZORVANEL_ASSETS} assets/impact-LICENSE.txt DESTINATION share/games/zorvanel)
install(FILES data/${ZORVANEL_ID}.desktop DESTINATION share/applications)
install(FILES data/io.github.zorvanel.zorvanel.metainfo.xml DESTINATION share/metainfo)
install(FILES data/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION share/doc/zorvanel)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zorvanel.6.gz DESTINATION share/man/man6)
install(FILES data/zorvanel.lintian-overrides DESTINATION share/lintian/overrides RENAME zorvanel)
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
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/package-time.cmake)
set(CPACK_ZORVANEL_SOURCE_DATE_EPOCH ${PROJECT_SOURCE_DIR}/scripts/lib/source-date-epoch)
include(CPack)
