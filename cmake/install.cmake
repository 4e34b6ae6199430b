# Install rules: the shared library, the public headers, a pkg-config file and a
# CMake package so hosts can use find_package(Ptp) or pkg-config --libs ptp.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Installed executables find the installed library beside them, with no loader
# path set. Applies to the targets defined after this file (the tools).
set(CMAKE_INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

file(GLOB PTP_PUBLIC_HEADERS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/include/*.h)
install(TARGETS ptp EXPORT PtpTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PTP_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ptp)
install(EXPORT PtpTargets NAMESPACE Ptp:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Ptp)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/PtpConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/PtpConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Ptp)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/PtpConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/PtpConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/PtpConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Ptp)

file(RELATIVE_PATH PTP_PC_TO_PREFIX "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/ptp.pc.in ${CMAKE_CURRENT_BINARY_DIR}/ptp.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ptp.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
