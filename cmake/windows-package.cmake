# SPDX-License-Identifier: MIT
# The Windows program folder, as the zip and the installer ship it: the two
# programs, the DLLs and plugins they load and nothing more, the sample
# groups, the README and the licences. Tests run the same DLLs under Wine.

if(TARGET cepcalc)
  get_filename_component(CEP_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)
  set(CEP_QT_DLLS ${CEP_QT_PREFIX}/bin/Qt6Core.dll ${CEP_QT_PREFIX}/bin/Qt6Gui.dll ${CEP_QT_PREFIX}/bin/Qt6Widgets.dll)
  install(FILES ${CEP_QT_DLLS} DESTINATION .)
  install(FILES ${CEP_QT_PREFIX}/plugins/platforms/qwindows.dll DESTINATION platforms)
  install(FILES ${CEP_QT_PREFIX}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)
  install(FILES ${CEP_QT_PREFIX}/plugins/imageformats/qjpeg.dll ${CEP_QT_PREFIX}/plugins/imageformats/qico.dll
          DESTINATION imageformats)
  # The statistics window's module draws with Qt SVG.
  if(TARGET cepstats)
    install(FILES ${CEP_QT_PREFIX}/bin/Qt6Svg.dll DESTINATION .)
    install(FILES ${CEP_QT_PREFIX}/plugins/imageformats/qsvg.dll DESTINATION imageformats)
  endif()
  set(CEP_WINEPATH_QT ";Z:${CEP_QT_PREFIX}/bin")
endif()
# cep-scan's picture work: OpenCV's core and imgproc, and the zlib they use.
set(CEP_MINGW_ZLIB /usr/${CEP_MINGW_TRIPLE}/lib/zlib1.dll)
if(TARGET cep-scan AND TARGET opencv_core)
  install(IMPORTED_RUNTIME_ARTIFACTS opencv_core opencv_imgproc DESTINATION .)
  install(FILES ${CEP_MINGW_ZLIB} DESTINATION .)
  get_target_property(CEP_OPENCV_CORE_DLL opencv_core IMPORTED_LOCATION_RELEASE)
  get_filename_component(CEP_OPENCV_BIN ${CEP_OPENCV_CORE_DLL} DIRECTORY)
  get_filename_component(CEP_OPENCV_PREFIX ${CEP_OPENCV_BIN} DIRECTORY)
  string(APPEND CEP_WINEPATH_QT ";Z:${CEP_OPENCV_BIN};Z:/usr/${CEP_MINGW_TRIPLE}/lib")
endif()
install(FILES ${CEP_MINGW_RUNTIME} DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/ui/resources/fonts/LICENSE DESTINATION . RENAME LICENSE-fonts)

# The licences of what the package ships besides our own code: Qt (LGPL-3.0,
# which builds on the GPL-3.0; Debian's record of the source tree, with the
# libraries Qt bundles), Qt SVG, and the MinGW runtime (GPL-3.0 with the GCC
# Runtime Library Exception; winpthreads' own), each from the packages or the
# source it was built from, and a page that names each one's version and source.
function(cep_package_version package out)
  execute_process(COMMAND dpkg-query -W "-f=\${Version}" ${package} OUTPUT_VARIABLE version
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR version STREQUAL "")
    message(FATAL_ERROR "The Debian package ${package}, whose licence the Windows package ships, is not installed")
  endif()
  set(${out} ${version} PARENT_SCOPE)
endfunction()
cep_package_version(qt6-base-dev CEP_QT_BASE_VERSION)
cep_package_version(gcc-mingw-w64-base CEP_MINGW_GCC_VERSION)
cep_package_version(mingw-w64-common CEP_MINGW_W64_VERSION)
set(CEP_QT_SVG_SOURCE "")
if(TARGET cepcalc)
  file(GLOB CEP_QT_SVG_MARKER ${CEP_QT_PREFIX}/.svg-*)
  if(CEP_QT_SVG_MARKER)
    file(STRINGS ${CEP_QT_SVG_MARKER} CEP_QT_SVG_SOURCE LIMIT_COUNT 1)
  endif()
endif()
set(CEP_THIRD_PARTY_SCAN "")
set(CEP_THIRD_PARTY_SCAN_SOURCE "")
if(TARGET cep-scan AND TARGET opencv_core)
  get_filename_component(core_dll ${CEP_OPENCV_CORE_DLL} NAME)
  get_target_property(imgproc_dll opencv_imgproc IMPORTED_LOCATION_RELEASE)
  get_filename_component(imgproc_dll ${imgproc_dll} NAME)
  set(CEP_THIRD_PARTY_SCAN "| OpenCV (core, imgproc) | ${CEP_OPENCV_VERSION} | `${core_dll}`, `${imgproc_dll}` | Apache-2.0 | `OpenCV\\` |
| zlib (for OpenCV) | ${CEP_MINGW_ZLIB_VERSION} | `zlib1.dll` | zlib licence | `zlib\\` |
")
  set(CEP_THIRD_PARTY_SCAN_SOURCE "- **OpenCV**: Debian 12's source package `opencv` (`apt-get source opencv`), of which the project's
  script `scripts/build-opencv-windows` cross-builds only the modules core and imgproc, without
  OpenCV's bundled libraries. **zlib**: the DLL of Debian 12's package `libz-mingw-w64`, from the
  source package `zlib` (`apt-get source zlib`), copied unchanged.
")
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/THIRD-PARTY.md.in ${CMAKE_BINARY_DIR}/THIRD-PARTY.md @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/THIRD-PARTY.md DESTINATION licenses)
install(FILES /usr/share/common-licenses/LGPL-3 DESTINATION licenses/Qt RENAME LGPL-3.0.txt)
install(FILES /usr/share/common-licenses/GPL-3 DESTINATION licenses/Qt RENAME GPL-3.0.txt)
install(FILES /usr/share/doc/libqt6core6/copyright DESTINATION licenses/Qt RENAME qt6-base-debian-copyright.txt)
if(TARGET cepstats)
  install(DIRECTORY ${CEP_QT_PREFIX}/licenses/qtsvg/ DESTINATION licenses/QtSvg)
endif()
if(TARGET cep-scan AND TARGET opencv_core)
  cep_package_version(libz-mingw-w64-dev CEP_MINGW_ZLIB_VERSION)
  set(CEP_OPENCV_VERSION "${OpenCV_VERSION}")
  install(DIRECTORY ${CEP_OPENCV_PREFIX}/licenses/ DESTINATION licenses/OpenCV)
  install(FILES /usr/share/doc/libz-mingw-w64-dev/copyright DESTINATION licenses/zlib RENAME zlib-debian-copyright.txt)
endif()
install(FILES /usr/share/common-licenses/GPL-3 DESTINATION licenses/MinGW-runtime RENAME GPL-3.0.txt)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION licenses/MinGW-runtime
        RENAME gcc-runtime-debian-copyright.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright DESTINATION licenses/MinGW-runtime
        RENAME mingw-w64-debian-copyright.txt)

# Runs a program of this build under Wine: the tests' emulator.
set(CEP_WINEPATH "")
foreach(dll ${CEP_MINGW_RUNTIME})
  get_filename_component(folder ${dll} DIRECTORY)
  string(APPEND CEP_WINEPATH "Z:${folder};")
endforeach()
string(APPEND CEP_WINEPATH "${CEP_WINEPATH_QT}")
string(REPLACE "/" "\\\\" CEP_WINEPATH "${CEP_WINEPATH}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME CEPcalc)
set(CPACK_PACKAGE_VENDOR "CEP Calculator")
set(CPACK_PACKAGE_VERSION ${CEP_VERSION_TEXT})
set(CPACK_PACKAGE_FILE_NAME CEPcalc-${CEP_VERSION_TEXT}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY CEPcalc)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY CEPcalc)
set(CPACK_NSIS_PACKAGE_NAME "CEP Calculator")
set(CPACK_NSIS_DISPLAY_NAME "CEP Calculator")
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/ui/resources/cepcalc.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/ui/resources/cepcalc.ico)
configure_file(${CMAKE_SOURCE_DIR}/cmake/windows-cpack-options.cmake.in ${CMAKE_BINARY_DIR}/cpack-options.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/cpack-options.cmake)
# Our own installer script: per user, no administrator, CEP.csv kept.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_SOURCE_DIR}/cmake/nsis)
include(CPack)
