# Installs promptloom for callers: the library, its header, a CMake package
# (find_package(promptloom) -> promptloom::promptloom) and a pkg-config file. The install
# component "promptloom" holds exactly these files, so a release can take them alone.
if(NOT TARGET promptloom)
  return()
endif()
include(CMakePackageConfigHelpers)
install(TARGETS promptloom EXPORT promptloomTargets
  RUNTIME DESTINATION bin COMPONENT promptloom
  LIBRARY DESTINATION lib COMPONENT promptloom
  ARCHIVE DESTINATION lib COMPONENT promptloom
  INCLUDES DESTINATION include)
install(FILES ${PROJECT_SOURCE_DIR}/promptloom/include/promptloom.h DESTINATION include COMPONENT promptloom)
install(EXPORT promptloomTargets NAMESPACE promptloom:: DESTINATION lib/cmake/promptloom COMPONENT promptloom)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/promptloomConfig.cmake.in
  ${CMAKE_BINARY_DIR}/promptloomConfig.cmake INSTALL_DESTINATION lib/cmake/promptloom)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/promptloomConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/promptloomConfig.cmake ${CMAKE_BINARY_DIR}/promptloomConfigVersion.cmake
  DESTINATION lib/cmake/promptloom COMPONENT promptloom)
if(NOT WIN32)
  # The prefix is the one given at install time (cmake --install --prefix), not the configured one.
  install(CODE "
    set(CMAKE_INSTALL_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    set(PROJECT_VERSION ${PROJECT_VERSION})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/promptloom.pc.in \"\${CMAKE_INSTALL_PREFIX}/lib/pkgconfig/promptloom.pc\" @ONLY)
    message(STATUS \"Installing: \${CMAKE_INSTALL_PREFIX}/lib/pkgconfig/promptloom.pc\")
  " COMPONENT promptloom)
endif()
