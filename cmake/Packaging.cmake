# Debian packages (cpack -G DEB in the build folder):
#   libstatusobject1      the shared library (runtime component)
#   libstatusobject-dev   its headers, the .so link, the CMake and pkg-config files (development)
#   statusobject-viewer   the status viewer application (viewer)
# Each carries /usr/share/doc/<package>/copyright and changelog.gz. The library lies in the
# multiarch folder (CMAKE_INSTALL_LIBDIR, set in the top CMakeLists.txt). A plain install's
# statusviewer finds the library through its RUNPATH ($ORIGIN/../<libdir>); the package's, in a
# folder the loader searches anyway, has that RUNPATH removed (cmake/StripRunpath.cmake).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME statusobject)
set(CPACK_PACKAGE_VENDOR "StatusObject")
set(CPACK_PACKAGE_CONTACT "StatusObject developers <dev@statusobject.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Live status window of an access-control and alarm-monitoring workstation")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development viewer)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://statusobject.localhost/")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libstatusobject${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
# The library's shlibs and symbols files, and the loader's cache refreshed through dpkg's ldconfig
# trigger. The symbols file gives each symbol the release of its version node (DebianSymbols.cmake):
# a host that uses only STATUSOBJECT_1 depends on libstatusobject1 (>= 1.0.0), one that uses a 1.1
# symbol on (>= 1.1.0).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(debian_symbols ${PROJECT_BINARY_DIR}/debian/symbols)
add_custom_command(OUTPUT ${debian_symbols}
  COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:StatusObject> -DSONAME=$<TARGET_SONAME_FILE_NAME:StatusObject>
          -DPACKAGE=libstatusobject${PROJECT_VERSION_MAJOR} -DOUTPUT=${debian_symbols}
          -P ${CMAKE_CURRENT_LIST_DIR}/DebianSymbols.cmake
  DEPENDS StatusObject ${CMAKE_CURRENT_LIST_DIR}/DebianSymbols.cmake VERBATIM)
add_custom_target(debian_symbols ALL DEPENDS ${debian_symbols})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/triggers ${debian_symbols})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "The component a host console loads in-process: the status window with
 its eight sections, live state changes, the attention list and the status groups.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libstatusobject-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "libstatusobject${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION}), qt6-base-dev")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "The development files of the status window component: headers, CMake
 package and pkg-config file for building a host of it.")

set(CPACK_DEBIAN_VIEWER_PACKAGE_NAME statusobject-viewer)
set(CPACK_DEBIAN_VIEWER_PACKAGE_SECTION misc)
# Listed by hand: dpkg-shlibdeps cannot see the library of the package beside it.
set(CPACK_DEBIAN_VIEWER_PACKAGE_DEPENDS
    "libstatusobject${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION}), libqt6widgets6, libqt6sql6, libqt6sql6-sqlite, libmosquitto1, libqt6httpserver6, libqt6websockets6, libsodium23, liblz4-1, libc6, libstdc++6, libgcc-s1")
set(CPACK_DEBIAN_VIEWER_DESCRIPTION "The status viewer application: a host of the status window on an embedded
 demo site, a simulated field, a multi-desk site over an MQTT broker and a web desk.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripRunpath.cmake)

# copyright and changelog.gz of every package.
set(changelog_gz ${PROJECT_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/CHANGELOG.md > ${changelog_gz}
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${changelog_gz})
foreach(component runtime development viewer)
  string(TOUPPER ${component} upper)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${changelog_gz}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME} COMPONENT ${component})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/libstatusobject-dev
  COMPONENT development)
include(CPack)
