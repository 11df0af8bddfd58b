# What `make install` and `make package` lay down. The program, sonthra-cli and every library
# they load by name (the encoder and WMA shims, the effect plug-ins) go together into the
# program's own folder lib/sonthra, where the program looks beside itself as it does in the
# build; bin/ holds links to the two programs. Read-only resources go to share/sonthra
# (resources/CMakeLists.txt), the desktop's own files to their usual places.
set(SONTHRA_PROGRAM_DIR lib/sonthra)

get_property(effect_plugins GLOBAL PROPERTY SONTHRA_EFFECT_PLUGINS)
install(TARGETS sonthra sonthra-cli RUNTIME DESTINATION ${SONTHRA_PROGRAM_DIR})
install(TARGETS lame_enc PlayBackEngine PCMtoWMA ${effect_plugins}
        LIBRARY DESTINATION ${SONTHRA_PROGRAM_DIR})
install(CODE "
  foreach(program sonthra sonthra-cli)
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK ../${SONTHRA_PROGRAM_DIR}/\${program}
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/\${program}\" SYMBOLIC)
  endforeach()")

# Manual pages, compressed as Debian wants them: the program's by hand, sonthra-cli's made from
# its own --help so that it lists exactly the verbs it has.
set(desktop ${PROJECT_SOURCE_DIR}/resources/desktop)
set(man ${CMAKE_BINARY_DIR}/man)
find_program(HELP2MAN help2man REQUIRED)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
add_custom_command(OUTPUT ${man}/sonthra.1.gz
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${man}
                   COMMAND gzip -9n < ${desktop}/sonthra.1 > ${man}/sonthra.1.gz
                   DEPENDS ${desktop}/sonthra.1 VERBATIM)
add_custom_command(OUTPUT ${man}/sonthra-cli.1.gz
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${man}
                   COMMAND ${HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
                           "--name=the command-line companion of Sonthra"
                           $<TARGET_FILE:sonthra-cli> -o ${man}/sonthra-cli.1
                   COMMAND gzip -9nf ${man}/sonthra-cli.1
                   DEPENDS sonthra-cli VERBATIM)
# The icon in the sizes desktops look for, drawn from the one SVG.
set(icon_files)
foreach(size 16 22 24 32 48 64 128 256)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/sonthra.png)
  add_custom_command(OUTPUT ${png}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
                     COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${desktop}/sonthra.svg -o ${png}
                     DEPENDS ${desktop}/sonthra.svg VERBATIM)
  list(APPEND icon_files ${png})
  install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(install_files ALL DEPENDS ${man}/sonthra.1.gz ${man}/sonthra-cli.1.gz ${icon_files})

install(FILES ${man}/sonthra.1.gz ${man}/sonthra-cli.1.gz DESTINATION share/man/man1)
install(FILES ${desktop}/sonthra.desktop DESTINATION share/applications)
install(FILES ${desktop}/sonthra.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${desktop}/com.corvanta.Sonthra.metainfo.xml DESTINATION share/metainfo)
install(FILES ${desktop}/sonthra-cli.bash DESTINATION share/bash-completion/completions
        RENAME sonthra-cli)
install(FILES ${desktop}/copyright DESTINATION share/doc/sonthra)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION share/doc/sonthra)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
                   COMMAND gzip -9n < ${desktop}/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
                   DEPENDS ${desktop}/changelog VERBATIM)
add_custom_target(install_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)

# `make package`: a Debian package whose dependencies come from the libraries the binaries link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonthra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Sonthra developers <sonthra@corvanta.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio recorder and editor with podcast publishing")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Record from a microphone or open WAV, MP3 and WMA files, edit them on a working
copy with undo, apply effects, and save as WAV, MP3 or WMA with song
information. Finished recordings are published as podcasts: the feed, a
description and a web page are written and uploaded over FTP, FTPS or SFTP.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the linked libraries do not say: Qt's platform plug-ins (no window without them), ALSA's
# route to the sound server, and the opener of web addresses and help pages.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libasound2-plugins, pulseaudio | pipewire-pulse, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
