# What a user gets: brindlow.exe, mavrel.dll and the guide, as a portable zip and as an installer
# (`cmake --workflow --preset package`). Both are built from the install rules below, so they
# hold the same files.

# A release build ships binaries without debug information; it is kept beside them in
# brindlow.exe.debug and mavrel.dll.debug, which a debugger finds through the debug link.
if(CMAKE_BUILD_TYPE STREQUAL "Release")
  foreach(shipped brindlow mavrel)
    add_custom_command(TARGET ${shipped} POST_BUILD
      COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${shipped}>
              $<TARGET_FILE:${shipped}>.debug
      COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${shipped}>
      COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${shipped}>.debug
              $<TARGET_FILE:${shipped}>
      WORKING_DIRECTORY $<TARGET_FILE_DIR:${shipped}>
      COMMENT "Splitting the debug information off ${shipped}")
  endforeach()
endif()

# Everything lands in one folder: the program finds mavrel.dll beside it.
install(TARGETS brindlow mavrel RUNTIME DESTINATION . LIBRARY DESTINATION .)
install(FILES docs/guide.txt docs/dialog.png DESTINATION .)

# Packages are made from the release build only: a development build's binaries carry their
# debug information.
if(NOT CMAKE_BUILD_TYPE STREQUAL "Release")
  return()
endif()

set(CPACK_PACKAGE_NAME Brindlow)
set(CPACK_PACKAGE_VENDOR Brindlow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Brindlow-${PROJECT_VERSION}-${BRINDLOW_ARCH})
if(BRINDLOW_ARCH STREQUAL "win64")
  set(CPACK_BRINDLOW_NSIS_TARGET "Target amd64-unicode")
  set(CPACK_BRINDLOW_NSIS_REGVIEW "SetRegView 64")
  set(CPACK_BRINDLOW_DISPLAY_NAME "Brindlow (64 位)")
else()
  set(CPACK_BRINDLOW_NSIS_TARGET "Unicode true")
  set(CPACK_BRINDLOW_NSIS_REGVIEW "")
  set(CPACK_BRINDLOW_DISPLAY_NAME "Brindlow")
endif()
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# The zip unpacks to the files themselves, not to a folder of the package's name.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES OFF)
# Our own installer script (cmake/nsis/NSIS.template.in): per user, in Chinese.
list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/nsis)
set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS -INPUTCHARSET UTF8)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_BRINDLOW_ICON ${PROJECT_BINARY_DIR}/res/brindlow.ico)
include(CPack)
