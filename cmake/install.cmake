# Installation and the Debian package.
#
# `cmake --install build --prefix P` puts the executables in P/bin and the
# program folder in P/share/rondivo, where platform::programFolder() looks when
# no html/ lies beside the executable. The layout is fixed (not GNUInstallDirs)
# because the program finds its folder by that relative path.

set(RONDIVO_LINUX_DIR ${CMAKE_SOURCE_DIR}/res/linux)
set(RONDIVO_PROGRAM_DESTINATION share/rondivo)
set(RONDIVO_DOC_DESTINATION share/doc/rondivo)

if(TARGET rondivo)
  install(TARGETS rondivo RUNTIME DESTINATION bin)
endif()
if(TARGET rondivo-build)
  install(TARGETS rondivo-build RUNTIME DESTINATION bin)
endif()

# Whatever the build tree's program folder holds, the Windows player's folder included when it
# was built.
set(installed_program_dirs ${PROGRAM_FOLDER_DIRS} windows)
list(REMOVE_DUPLICATES installed_program_dirs)
foreach(d IN LISTS installed_program_dirs)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/${d} DESTINATION ${RONDIVO_PROGRAM_DESTINATION} OPTIONAL)
endforeach()

# The rest is for Linux desktops and Debian.
if(WIN32)
  return()
endif()

# Manual pages and the changelog compressed as Debian wants them (-n: no name or time stamp, so
# the package is reproducible); man reads either form.
find_program(RONDIVO_GZIP gzip)
set(compressed_docs)
function(rondivo_compressed_doc source name outvar)
  set(out ${CMAKE_BINARY_DIR}/installed-docs/${name})
  if(RONDIVO_GZIP)
    add_custom_command(OUTPUT ${out}.gz
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/installed-docs
                       COMMAND ${CMAKE_COMMAND} -E copy ${source} ${out}
                       COMMAND ${RONDIVO_GZIP} -9nf ${out}
                       DEPENDS ${source} VERBATIM)
    set(${outvar} ${out}.gz PARENT_SCOPE)
  else()
    set(${outvar} ${source} PARENT_SCOPE)
  endif()
endfunction()

set(man_pages)
if(TARGET rondivo)
  list(APPEND man_pages rondivo.1)
endif()
if(TARGET rondivo-build)
  list(APPEND man_pages rondivo-build.1)
endif()
foreach(page IN LISTS man_pages)
  rondivo_compressed_doc(${RONDIVO_LINUX_DIR}/${page} ${page} installed)
  list(APPEND compressed_docs ${installed})
  install(FILES ${installed} DESTINATION share/man/man1)
endforeach()
# A native Debian package keeps its changelog as changelog.gz.
rondivo_compressed_doc(${RONDIVO_LINUX_DIR}/debian/changelog changelog installed)
list(APPEND compressed_docs ${installed})
install(FILES ${installed} DESTINATION ${RONDIVO_DOC_DESTINATION})
install(FILES ${RONDIVO_LINUX_DIR}/debian/copyright DESTINATION ${RONDIVO_DOC_DESTINATION})
add_custom_target(installed_docs ALL DEPENDS ${compressed_docs})

# The desktop's menu entry, icons and software-centre metadata belong to the designer.
if(TARGET rondivo)
  install(FILES ${RONDIVO_LINUX_DIR}/org.rondivo.Rondivo.desktop DESTINATION share/applications)
  install(FILES ${RONDIVO_LINUX_DIR}/org.rondivo.Rondivo.metainfo.xml DESTINATION share/metainfo)
  install(FILES ${RONDIVO_LINUX_DIR}/rondivo.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(DIRECTORY ${RONDIVO_LINUX_DIR}/hicolor DESTINATION share/icons)
endif()

# The Debian package (scripts/package-deb): dependencies from the linked libraries through
# dpkg-shlibdeps, plus the programs the player starts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rondivo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make CDs and DVDs that open a menu page when inserted")
# CPack puts the summary first; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Rondivo! builds auto-playing discs: pick or design the HTML menu page the
disc opens when it is inserted, and it lays out a folder with the player,
autorun.inf and every file the pages link to. From there it previews the
presentation, burns it to a recordable CD or DVD, or saves an ISO 9660 image.
rondivo-build makes the same discs from scripts.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Rondivo! developers <packages@rondivo.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# xdg-open opens the files a disc names; GStreamer's plugins play its sounds and movies.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
include(CPack)
