# The Debian package klarvex_VERSION_ARCH.deb, made by cpack (tools/package.sh
# configures the build with -DKLARVEX_PACKAGE=ON and runs it). Included from
# the top CMakeLists.txt after the install rules it packs.

# What Debian's policy wants in /usr/share/doc/klarvex beside what cmake
# --install puts there: the machine-readable copyright, the Debian changelog
# and the program's own, compressed.
klarvex_gzip(${CMAKE_SOURCE_DIR}/data/debian/changelog ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz)
klarvex_gzip(${CMAKE_SOURCE_DIR}/src/ui/resources/changelog.txt ${CMAKE_BINARY_DIR}/debian/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/debian)
add_custom_target(debian_docs ALL
  DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES data/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz
  ${CMAKE_BINARY_DIR}/debian/changelog.gz DESTINATION ${KLARVEX_DOCDIR})

# Stripped as dh_strip does it: cpack's strip leaves the compiler's notes.
install(CODE "
  foreach(program klarvex klarvex-cli)
    set(path \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
    if(CMAKE_INSTALL_DO_STRIP AND EXISTS \"\${path}\")
      execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment --remove-section=.note \"\${path}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endforeach()")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME klarvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Klarvex developers <klarvex@example.org>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # klarvex_0.629_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KLARVEX_HOME_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS mkvtoolnix)  # klarvex-cli mkv runs mkvmerge
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
# Folders as Debian has them (0755), whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "HD DVD and DVD stream demuxer for EVO, VOB and AOB files")
# cpack puts the summary first, then this.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Klarvex reads HD DVD and DVD disc content as copied to disk (decrypted):
HD DVD EVO files, DVD-Video VOB and DVD-Audio AOB files, all MPEG-2 program
streams. It lists and describes the elementary streams they hold (MPEG-2,
VC-1 and H.264 video; Dolby Digital, Dolby Digital Plus, DTS, MLP, Dolby
TrueHD and LPCM audio; subpictures), counts the video frames, and follows a
title split over several files.
.
It demultiplexes the chosen streams into elementary-stream files (LPCM as
WAV, DVD subpictures as VobSub on request), makes a Matroska file of a title
with mkvmerge, rebuilds an EVO holding only the chosen streams, and reads the
disc's playlist (VPLST000.XPL) and title set information (HVA00001.VTI, a
DVD's IFO) for stream names, languages and chapters.
.
The package holds the window (klarvex, Qt 6) and the command line
(klarvex-cli), which run the same jobs.")

include(CPack)
