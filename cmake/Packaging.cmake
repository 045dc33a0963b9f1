# What `cmake --install` and CPack put into the packages (scripts/package.sh):
#   Linux: the Debian package korvane_VERSION_ARCH.deb: both programs in bin, the desktop entry, its
#          icons, the AppStream metadata, a manual page per program, the changelog and the copyright;
#   Windows (the cross build of scripts/build-windows.sh): the archive korvane-VERSION-windows-x64.zip
#          with korvane-cli.exe and README-windows.txt in one folder.
set(KORVANE_MAINTAINER "The Korvane developers <korvane@korvane.example.org>"
    CACHE STRING "The maintainer named by the package and its changelog")
set(package_in ${PROJECT_SOURCE_DIR}/resources/package)
set(package_out ${PROJECT_BINARY_DIR}/package)

# The licence comes from the repository's LICENSE file; without one the copyright file says so
# rather than naming a licence nobody chose.
if(EXISTS ${PROJECT_SOURCE_DIR}/LICENSE)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE KORVANE_LICENCE_TEXT)
else()
  set(KORVANE_LICENCE_TEXT "No licence has been given for Korvane yet.\n")
endif()

# gzip_file(IN OUT): OUT is IN compressed as Debian wants it, without a name or a time stamp.
function(gzip_file in out)
  execute_process(COMMAND gzip -9n -c ${in} OUTPUT_FILE ${out} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip could not compress ${in}")
  endif()
endfunction()

if(WIN32)
  install(FILES ${package_in}/README-windows.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME korvane-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  # The release date: SOURCE_DATE_EPOCH when set, so that a rebuild makes the same package.
  string(TIMESTAMP KORVANE_RELEASE_DATE "%Y-%m-%d" UTC)
  string(TIMESTAMP KORVANE_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  foreach(page korvane korvane-cli)
    configure_file(${PROJECT_SOURCE_DIR}/resources/man/${page}.1 ${package_out}/${page}.1 @ONLY)
    gzip_file(${package_out}/${page}.1 ${package_out}/${page}.1.gz)
  endforeach()
  configure_file(${package_in}/changelog.Debian.in ${package_out}/changelog.Debian @ONLY)
  gzip_file(${package_out}/changelog.Debian ${package_out}/changelog.Debian.gz)
  configure_file(${package_in}/copyright.in ${package_out}/copyright @ONLY)
  configure_file(${package_in}/org.example.korvane.metainfo.xml ${package_out}/org.example.korvane.metainfo.xml @ONLY)

  install(FILES ${package_out}/korvane-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${package_out}/changelog.Debian.gz ${package_out}/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvane)
  if(TARGET korvane)
    install(FILES ${package_out}/korvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${package_out}/org.example.korvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KORVANE_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KORVANE_WEBSITE})
  # The libraries' packages, as dpkg-shlibdeps finds them from the programs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # git runs the merge driver; the desktop program merges without it.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS git)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()

set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "The Korvane developers")
set(CPACK_PACKAGE_CONTACT ${KORVANE_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "three-way merge of TiddlyWiki files, tiddler by tiddler")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvane merges your TiddlyWiki file, the copy a friend edited and the
unedited copy you both started from, one tiddler at a time, and asks about
each tiddler both sides changed. It reads TiddlyWiki Classic and TiddlyWiki 5
files, encrypted ones too, merges the conflict copies of sync tools and
serves as git's merge driver (korvane-cli).")
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 0)
include(CPack)
