# Installation, the CMake package and the pkg-config file, and the CPack packages:
# a .deb of the POSIX build, a zip of the Windows build.
include(CMakePackageConfigHelpers)

set(HOSTUTIL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/hostutil)

install(TARGETS hostutil EXPORT hostutilTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES include/hostutil.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${HOSTUTIL_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/hostutil)

# The CMake package, installed and in the build tree alike: the files sit side by side.
install(EXPORT hostutilTargets NAMESPACE hostutil:: DESTINATION ${HOSTUTIL_CMAKE_DIR})
export(EXPORT hostutilTargets NAMESPACE hostutil::
  FILE ${PROJECT_BINARY_DIR}/hostutilTargets.cmake)
configure_package_config_file(cmake/hostutilConfig.cmake.in
  ${PROJECT_BINARY_DIR}/hostutilConfig.cmake INSTALL_DESTINATION ${HOSTUTIL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/hostutilConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/hostutilConfig.cmake
              ${PROJECT_BINARY_DIR}/hostutilConfigVersion.cmake
        DESTINATION ${HOSTUTIL_CMAKE_DIR})

# pkg-config: the prefix is found from the .pc file's own place.
set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH HOSTUTIL_PC_TO_PREFIX /p/${pc_dir} /p)
string(REGEX REPLACE "/$" "" HOSTUTIL_PC_TO_PREFIX "${HOSTUTIL_PC_TO_PREFIX}")
configure_file(cmake/hostutil.pc.in ${PROJECT_BINARY_DIR}/hostutil.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/hostutil.pc DESTINATION ${pc_dir})

if(NOT PROJECT_IS_TOP_LEVEL)
  return()
endif()

# ---- packages ---------------------------------------------------------------
set(CPACK_PACKAGE_NAME hostutil)
set(CPACK_PACKAGE_VENDOR "hostutil developers")
set(CPACK_PACKAGE_CONTACT "hostutil developers <hostutil@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "hostutil is a C interface of plain functions: cross-process
locks by named semaphores, record chains in the heap, a scratch allocator,
profile (INI) files, CSV, number and text conversions, CRC, search and sort,
file primitives and file times, a trace log, system and printer queries and
the standard dialogs. This package holds the shared library, its headers,
its CMake and pkg-config files, and the hostutil command-line host.")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
  # The loader's cache is refreshed by dpkg's ldconfig trigger.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
  # What Debian asks of every package: copyright, changelog, and the reasons this one
  # is a single package rather than the usual library / -dev / tools split.
  set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/hostutil)
  install(FILES cmake/debian/copyright DESTINATION ${doc_dir})
  configure_file(cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
    COMMAND gzip -9nf -k ${PROJECT_BINARY_DIR}/debian/changelog
    DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog)
  add_custom_target(hostutil_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.gz DESTINATION ${doc_dir})
  install(FILES cmake/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          RENAME hostutil)
endif()
include(CPack)
