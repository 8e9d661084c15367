# What `cmake --install` lays out and CPack packages: the plug-in, the console and the tools,
# the templates and the demo station's settings, and the SDK for integrators who build a host
# (the public headers, the library with what they declare out of line, a pkg-config file and a
# CMake package).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KVT_PLUGIN_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/kvtreports)
set(KVT_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/kvtreports)
set(KVT_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KVTReports)
set(KVT_PKGCONFIG_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
# The installed programs find the plug-in from their own folder, wherever the tree is put.
file(RELATIVE_PATH KVT_PLUGIN_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBDIR}/kvtreports/libKVTReports7.so)
target_compile_definitions(kvt_hostkit PRIVATE KVT_PLUGIN_FROM_BIN="${KVT_PLUGIN_FROM_BIN}")

# The SDK library: Variant and the exception classes of include/kvtreports, which a host uses
# in its callbacks. The plug-in keeps its own copy inside, hidden.
add_library(kvtreports SHARED
    ${PROJECT_SOURCE_DIR}/src/infra/Variant.cpp
    ${PROJECT_SOURCE_DIR}/src/infra/DateTime.cpp
    ${PROJECT_SOURCE_DIR}/src/infra/NumberText.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/Exception.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/Clock.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/Text.cpp)
target_include_directories(kvtreports
    PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
           $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_features(kvtreports PUBLIC cxx_std_20)
target_link_libraries(kvtreports PRIVATE $<BUILD_INTERFACE:kvt_warnings>)
set_target_properties(kvtreports PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/lib)
add_library(KVTReports::kvtreports ALIAS kvtreports)

install(TARGETS KVTReports7 LIBRARY DESTINATION ${KVT_PLUGIN_INSTALL_DIR})
install(TARGETS kvt-station kvt-ini kvt-log kvt-reg kvt-demo-data kvt-provider kvt-hostsim
                kvt-print kvt-station-db
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/kvt-demo-root DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/host/templates/ DESTINATION ${KVT_DATA_INSTALL_DIR}/templates)
install(FILES ${PROJECT_SOURCE_DIR}/host/station/kvt-station.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/host/station/kvt-station.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(TARGETS kvtreports EXPORT KVTReportsTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kvtreports DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT KVTReportsTargets NAMESPACE KVTReports:: DESTINATION ${KVT_CMAKE_INSTALL_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KVTReportsConfig.cmake.in
    ${PROJECT_BINARY_DIR}/KVTReportsConfig.cmake
    INSTALL_DESTINATION ${KVT_CMAKE_INSTALL_DIR}
    PATH_VARS KVT_PLUGIN_INSTALL_DIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KVTReportsConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KVTReportsConfig.cmake
              ${PROJECT_BINARY_DIR}/KVTReportsConfigVersion.cmake
        DESTINATION ${KVT_CMAKE_INSTALL_DIR})
# pkg-config finds the tree from the file's own place, so a package built for /usr and a tree
# installed elsewhere both answer right.
set(KVT_PKGCONFIG_FULL_DIR ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH KVT_INCLUDEDIR_FROM_PKGCONFIG ${KVT_PKGCONFIG_FULL_DIR} ${CMAKE_INSTALL_FULL_INCLUDEDIR})
file(RELATIVE_PATH KVT_LIBDIR_FROM_PKGCONFIG ${KVT_PKGCONFIG_FULL_DIR} ${CMAKE_INSTALL_FULL_LIBDIR})
configure_file(${PROJECT_SOURCE_DIR}/cmake/kvtreports.pc.in ${PROJECT_BINARY_DIR}/kvtreports.pc
               @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kvtreports.pc DESTINATION ${KVT_PKGCONFIG_INSTALL_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvtreports)
set(CPACK_PACKAGE_VENDOR "KVT Reports")
set(CPACK_PACKAGE_CONTACT "KVT Reports developers <kvtreports@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Report plug-in and reference console of a fuel-station operator console")
set(CPACK_PACKAGE_DESCRIPTION
    "The report plug-in libKVTReports7 with its reference console kvt-station, the station's\n\
command-line tools (kvt-ini, kvt-log, kvt-reg, kvt-demo-data, kvt-provider, kvt-hostsim,\n\
kvt-print), the report templates, and the SDK for consoles that load the plug-in.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The dependencies come from the binaries themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
