# Installation and the Debian package.
#
# cmake --install build --prefix P lays the demo out as it runs from the build tree, under
# P/lib/quorvex: bin/ (demo, demo-capture) beside models/, textures/ and music/. Launchers in
# P/bin start it from anywhere; a desktop entry and an icon rendered from the demo put it in
# a desktop's application menu. cpack -G DEB (run in the build tree) packages the same tree
# for /usr, with its dependencies derived from the binaries by dpkg-shlibdeps.

set(QUORVEX_HOME_DIR lib/quorvex)

# The icon: one moment of the demo (the disco's sign at 36 s), rendered offscreen by the
# capture tool at build time. Not in the sanitizer or fuzzing builds, which are not installed.
set(QUORVEX_ICON ${CMAKE_BINARY_DIR}/icon/quorvex.png)
if(NOT QUORVEX_SANITIZE AND NOT QUORVEX_FUZZ)
    add_custom_command(OUTPUT ${QUORVEX_ICON}
        COMMAND ${CMAKE_COMMAND} -E remove_directory ${CMAKE_BINARY_DIR}/icon/moment
        COMMAND $<TARGET_FILE:demo-capture> --quiet --at 36 --size 256x256
                --out ${CMAKE_BINARY_DIR}/icon/moment/
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/icon/moment/t0036.000.png
                ${QUORVEX_ICON}
        COMMAND ${CMAKE_COMMAND} -E remove_directory ${CMAKE_BINARY_DIR}/icon/moment
        DEPENDS demo-capture ${CMAKE_BINARY_DIR}/assets.stamp
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
        COMMENT "Rendering the icon from the demo"
        VERBATIM)
    add_custom_target(icon ALL DEPENDS ${QUORVEX_ICON})
    add_dependencies(icon assets)
endif()

# Installed files get the usual modes whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS demo demo-capture RUNTIME DESTINATION ${QUORVEX_HOME_DIR}/bin)
install(DIRECTORY ${CMAKE_BINARY_DIR}/models ${CMAKE_BINARY_DIR}/textures
        ${CMAKE_BINARY_DIR}/music
    DESTINATION ${QUORVEX_HOME_DIR}
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(PROGRAMS packaging/quorvex packaging/quorvex-capture DESTINATION bin)
install(FILES packaging/quorvex.desktop DESTINATION share/applications)
install(FILES ${QUORVEX_ICON} DESTINATION share/icons/hicolor/256x256/apps OPTIONAL)
install(FILES packaging/copyright DESTINATION share/doc/quorvex)

# Debian wants the manual pages and the changelog compressed, reproducibly (no name or time
# stamp in the gzip header).
set(QUORVEX_GZIPPED ${CMAKE_BINARY_DIR}/packaging)
foreach(source quorvex.6 quorvex-capture.6 changelog)
    add_custom_command(OUTPUT ${QUORVEX_GZIPPED}/${source}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVEX_GZIPPED}
        COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/packaging/${source} > ${QUORVEX_GZIPPED}/${source}.gz
        DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${source})
    list(APPEND QUORVEX_GZIPPED_FILES ${QUORVEX_GZIPPED}/${source}.gz)
endforeach()
add_custom_target(packaging_docs ALL DEPENDS ${QUORVEX_GZIPPED_FILES})
install(FILES ${QUORVEX_GZIPPED}/quorvex.6.gz ${QUORVEX_GZIPPED}/quorvex-capture.6.gz
    DESTINATION share/man/man6)
install(FILES ${QUORVEX_GZIPPED}/changelog.gz DESTINATION share/doc/quorvex)

set(QUORVEX_MAINTAINER "Quorvex developers <quorvex@example.org>" CACHE STRING
    "Maintainer named in the Debian package")
set(CPACK_PACKAGE_NAME quorvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUORVEX_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running real-time 3D demo: a city flight into a disco")
set(CPACK_PACKAGE_DESCRIPTION
"Quorvex opens one full-screen window, starts its own music and plays a fixed
timeline: a camera flies over a fogged city full of walking, hopping and
dancing figures, then through a disco with circling coloured lights, dancers
and swinging lamps with translucent light beams. It runs until q or Escape.
.
Every mesh, texture, camera path, dance motion and the music track was made
from code by the project's own generator. The package also holds
quorvex-capture, which renders the demo offscreen to a video with its music,
to pictures, or as a benchmark.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Not "games": Debian keeps games in /usr/games, and the launchers go to bin/.
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The capture tool pipes its frames into ffmpeg for a video; pictures and the benchmark
# work without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
include(CPack)
