# Install layout:
#   <bindir>/kvrhost
#   <plugindir>/libKVRExportCreator9.so, <plugindir>/libCorvane.so   (plugindir: <libdir>/kvrexportcreator9)
#   <includedir>/kvr/host_abi.h, <includedir>/kvr/version.h
#   <libdir>/pkgconfig/kvrexportcreator9.pc
#   <libdir>/cmake/KVRExportCreator9/   (find_package(KVRExportCreator9))
# The export library binds libCorvane.so from its own directory; kvrhost finds the export
# library through its RUNPATH, relative to itself. Neither needs LD_LIBRARY_PATH, and the
# whole tree can be moved to another prefix.
include(CMakePackageConfigHelpers)

set(KVR_INSTALL_PLUGINDIR "${CMAKE_INSTALL_LIBDIR}/kvrexportcreator9" CACHE STRING
    "Directory of libKVRExportCreator9.so and libCorvane.so, relative to the prefix")
set(KVR_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/KVRExportCreator9")
set(KVR_INSTALL_PKGCONFIGDIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

# Paths from one installed directory to another, for RUNPATHs and the relocatable .pc file.
function(kvr_relative_path out from to)
  file(RELATIVE_PATH rel "/prefix/${from}" "/prefix/${to}")
  string(REGEX REPLACE "/$" "" rel "${rel}")
  if(rel STREQUAL "")
    set(rel ".")
  endif()
  set(${out} "${rel}" PARENT_SCOPE)
endfunction()
kvr_relative_path(kvr_bin_to_plugins "${CMAKE_INSTALL_BINDIR}" "${KVR_INSTALL_PLUGINDIR}")
kvr_relative_path(kvr_pc_to_prefix "${KVR_INSTALL_PKGCONFIGDIR}" ".")

# The helper is found beside the library first (its own directory); $ORIGIN also covers the
# bare-name fallback, which dlopen resolves through the calling library's RUNPATH.
set_target_properties(KVRExportCreator9 PROPERTIES INSTALL_RPATH "$ORIGIN")
# kvrhost's last fallback is the bare file name, which dlopen looks up in kvrhost's RUNPATH.
set_target_properties(kvrhost PROPERTIES INSTALL_RPATH "$ORIGIN/${kvr_bin_to_plugins}")

install(TARGETS KVRExportCreator9 corvane
  LIBRARY DESTINATION ${KVR_INSTALL_PLUGINDIR} COMPONENT runtime)
install(TARGETS kvrhost RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
  COMPONENT runtime FILES_MATCHING PATTERN "*.md")

install(FILES ${PROJECT_SOURCE_DIR}/include/kvr/host_abi.h
              ${PROJECT_BINARY_DIR}/include/kvr/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kvr COMPONENT development)
install(TARGETS kvr_host_abi EXPORT KVRExportCreator9Targets COMPONENT development)
install(EXPORT KVRExportCreator9Targets NAMESPACE KVRExportCreator9::
  DESTINATION ${KVR_INSTALL_CMAKEDIR} COMPONENT development)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KVRExportCreator9Config.cmake.in
  ${PROJECT_BINARY_DIR}/KVRExportCreator9Config.cmake
  INSTALL_DESTINATION ${KVR_INSTALL_CMAKEDIR}
  PATH_VARS KVR_INSTALL_PLUGINDIR CMAKE_INSTALL_INCLUDEDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KVRExportCreator9ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KVRExportCreator9Config.cmake
              ${PROJECT_BINARY_DIR}/KVRExportCreator9ConfigVersion.cmake
  DESTINATION ${KVR_INSTALL_CMAKEDIR} COMPONENT development)

set(kvr_dl_libs_flag "")
foreach(lib IN LISTS CMAKE_DL_LIBS)
  string(APPEND kvr_dl_libs_flag " -l${lib}")
endforeach()
string(STRIP "${kvr_dl_libs_flag}" kvr_dl_libs_flag)
configure_file(${PROJECT_SOURCE_DIR}/cmake/kvrexportcreator9.pc.in
               ${PROJECT_BINARY_DIR}/kvrexportcreator9.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kvrexportcreator9.pc
  DESTINATION ${KVR_INSTALL_PKGCONFIGDIR} COMPONENT development)
