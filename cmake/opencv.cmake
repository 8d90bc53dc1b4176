# SPDX-License-Identifier: MIT
# OpenCV's core and imgproc as the target CEP::opencv, its headers included as
# system headers so that the project's warnings stay its own. From OpenCV's
# CMake package where one is installed (Debian's libopencv-dev, or a build
# for Windows), else from Debian's per-module packages, which carry the
# headers and libraries but no CMake package.
find_package(OpenCV QUIET COMPONENTS core imgproc)
if(OpenCV_FOUND)
  add_library(CEP::opencv INTERFACE IMPORTED)
  target_include_directories(CEP::opencv SYSTEM INTERFACE ${OpenCV_INCLUDE_DIRS})
  target_link_libraries(CEP::opencv INTERFACE opencv_core opencv_imgproc)
  return()
endif()
find_path(CEP_OPENCV_INCLUDE_DIR opencv2/imgproc.hpp PATH_SUFFIXES opencv4)
find_library(CEP_OPENCV_CORE_LIBRARY opencv_core)
find_library(CEP_OPENCV_IMGPROC_LIBRARY opencv_imgproc)
if(CEP_OPENCV_INCLUDE_DIR AND CEP_OPENCV_CORE_LIBRARY AND CEP_OPENCV_IMGPROC_LIBRARY)
  add_library(CEP::opencv INTERFACE IMPORTED)
  target_include_directories(CEP::opencv SYSTEM INTERFACE ${CEP_OPENCV_INCLUDE_DIR})
  target_link_libraries(CEP::opencv INTERFACE ${CEP_OPENCV_IMGPROC_LIBRARY} ${CEP_OPENCV_CORE_LIBRARY})
endif()
