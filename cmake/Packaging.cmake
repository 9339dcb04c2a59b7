# The Debian package, made in a Release build folder:
#   cpack -G DEB        writes tarvel_<version>_amd64.deb
# It holds what `cmake --install` installs (resources/CMakeLists.txt), stripped, and the
# copyright and changelog Debian asks of every package, which only the package gets.
# dpkg-shlibdeps finds the packages of the libraries the program links; dpkg's triggers refresh
# the menu, file-type and icon caches, so the package needs no scripts of its own.
if(WIN32 OR NOT TARGET tarvel)
  return()
endif()
include(GNUInstallDirs)

set(TARVEL_MAINTAINER "Tarvel Dev <dev@tarvel.invalid>")
set(TARVEL_DEBIAN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarvel)

# The changelog of a native package (its version has no Debian revision) is doc/tarvel/changelog.gz,
# compressed as Debian's tools do it: the most, and with no time stamp.
execute_process(COMMAND date -u -R -d ${TARVEL_RELEASE_DATE}
                OUTPUT_VARIABLE TARVEL_RELEASE_DATE_RFC OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian-changelog.in
               ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
execute_process(COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/packaging/changelog
                OUTPUT_FILE ${PROJECT_BINARY_DIR}/packaging/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${PROJECT_SOURCE_DIR}/resources/copyright
              ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${TARVEL_DEBIAN_DOC_DIR} COMPONENT debian EXCLUDE_FROM_ALL)

# Everything `cmake --install` installs, and the "debian" files beside it.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};Tarvel;ALL;/;${PROJECT_BINARY_DIR};Tarvel;debian;/")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvel)
set(CPACK_PACKAGE_VENDOR "Velmora Audio Software")
set(CPACK_PACKAGE_CONTACT ${TARVEL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MIDI pattern tracker")
# Lines as they are shown: CPack does not wrap them, and Debian asks for 80 characters at most.
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvel is a pattern tracker for MIDI. You program short patterns of MIDI
events from the computer keyboard, paint them onto a 16-track sequencer grid
with the mouse, and play the song live to your MIDI outputs from a 2 ms clock.

Its first MIDI output is a built-in General MIDI synthesizer (FluidSynth), so
a song sounds without any MIDI hardware; ALSA and JACK outputs follow it.
Songs go out as MIDI files and as WAV or FLAC audio, and come in from MIDI
files, in the window or from the command line.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TARVEL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.velmora-audio.org/tarvel/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The built-in synth plays the General MIDI SoundFont from here unless told another.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fluid-soundfont-gm)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS jackd2)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
