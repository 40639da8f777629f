# The Debian package made by `./dev package` (cpack -G DEB in the release build folder).
# Its dependencies are worked out by dpkg-shlibdeps from the libraries the programs link, so
# they always name the Debian packages this build really needs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tavrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rehearsal player with ten mark points, and a WAV joiner")
# CPack indents the lines below the summary and turns the empty line into Debian's " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tavrel plays one track at a time (WAV, MP3 or WMA) and keeps up to ten numbered
mark points per track, with a note each, to jump back to while rehearsing. It is
driven from its keypad, the keyboard, media keys or a remote control.

splicer joins WAV files of one folder, in the order you arrange, into one PCM
2 channel / 44,100 Hz / 16-bit WAV file; wavsplice does the same from a terminal.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Tavrel developers <developers@tavrel.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The package is made from the `programs` target alone; building the tests for it would
# only cost time.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
