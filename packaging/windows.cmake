# The Windows installation and its packages: what the programs need beside
# them, and the installer (NSIS, Debian's makensis) and portable zip that
# CPack makes of it. Included by packaging/CMakeLists.txt on Windows.
#
# Installed layout (the installer's folder, or the zip's top folder):
#   bin/vaskiro-config.exe, bin/vaskiro.exe, bin/bacnet-interface.chm
#   bin/Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll,
#       Qt6PrintSupport.dll                         Qt, as the window links it; in Qt 6
#                                                   Print Support itself finds the printers
#   bin/platforms/qwindows.dll                      Qt's Windows platform plugin
#   bin/styles/qwindowsvistastyle.dll               the native look
#   bin/libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll
#                                                   mingw-w64's runtime, which Qt uses
# Qt looks for its plugins in folders beside the executable, so no qt.conf.

if(VASKIRO_BUILD_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport)
  foreach(module Core Gui Widgets PrintSupport)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION ${CMAKE_INSTALL_BINDIR})
  endforeach()
  install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
  if(TARGET Qt6::QWindowsVistaStylePlugin)
    install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
  endif()
endif()

# The compiler's runtime DLLs, wherever this compiler keeps them, for the Qt
# DLLs (the tool alone is linked statically and needs none).
if(MINGW AND VASKIRO_BUILD_GUI)
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
      install(FILES "${path}" DESTINATION ${CMAKE_INSTALL_BINDIR})
    else()
      message(WARNING "${dll} not found beside ${CMAKE_CXX_COMPILER}: the installation will lack it")
    endif()
  endforeach()
endif()

# The installer: a 64-bit Unicode NSIS program (a 32-bit one does not start
# where only 64-bit Windows programs run, as under a 64-bit-only wine), with a
# Start-menu entry for the window and an uninstaller. Its options page offers
# to put bin\ on PATH, for the current user or all users, so that vaskiro
# runs from any prompt; by default (and on a silent install) it does not,
# and the uninstaller takes off what it added.
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME "VASKIRO Configuration")
set(CPACK_NSIS_DISPLAY_NAME "VASKIRO Configuration")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\vaskiro-config.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_MODIFY_PATH ON)
if(VASKIRO_BUILD_GUI)
  set(CPACK_PACKAGE_EXECUTABLES vaskiro-config "VASKIRO Configuration")
endif()
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ${VASKIRO_PACKAGE_NAME})
# The uninstaller removes the installation's key, Software\VASKIRO\vaskiro-config,
# but would leave the vendor's key above it, empty.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "DeleteRegKey SHCTX 'Software\\${CPACK_PACKAGE_VENDOR}\\${VASKIRO_PACKAGE_NAME}'
  DeleteRegKey /ifempty SHCTX 'Software\\${CPACK_PACKAGE_VENDOR}'")
# vaskiro-config-VERSION-win64-setup.exe and vaskiro-config-VERSION-win64.zip.
set(CPACK_PACKAGE_FILE_NAME ${VASKIRO_PACKAGE_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/windows-cpack.cmake)
