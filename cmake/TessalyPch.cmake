# Precompiled headers. The test suites and the Qt libraries spend much of their compile time
# parsing the same large headers (GoogleTest, Qt Widgets, the standard library) again in every
# file; with TESSALY_PCH each target, or each group of targets compiled with the same flags,
# parses them once.
#
# Only outside headers are precompiled, never the project's own: editing a project header then
# rebuilds what includes it, as without precompiled headers.
#
# gcc reads a precompiled header only where the flags that matter (-fpic against -fpie, the
# sanitizers, optimisation on or off) agree with those it was made with, and where every macro it
# was made with is defined alike; otherwise it parses the headers again. CMake passes
# -Winvalid-pch with every precompiled header, so gcc says so, and a -Werror build fails: a group
# whose flags drift apart is noticed.
#
# The test suites precompile by default: they are compiled without optimisation, where gcc
# runs none of the flow analysis behind -Warray-bounds. The Qt libraries, compiled with the
# build's optimisation, only with TESSALY_LIBRARY_PCH: with gcc 12, code of the standard library
# read from a precompiled header draws -Warray-bounds reports (a known false positive on
# std::string concatenation) that the same code parsed from the headers does not, so -Werror
# builds fail. Never for other compilers: clang treats a mismatched precompiled header as an
# error, and its only build here (the fuzzers) compiles no test suite and no Qt library.
option(TESSALY_PCH "Precompile the headers the test suites share" ON)
option(TESSALY_LIBRARY_PCH "Precompile the headers the Qt libraries share" OFF)
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(TESSALY_PCH OFF)
  set(TESSALY_LIBRARY_PCH OFF)
endif()

# The standard headers most files of the project include.
set(TESSALY_PCH_STD_HEADERS
  <algorithm> <array> <cmath> <cstdint> <cstdio> <cstdlib> <cstring> <filesystem> <fstream>
  <functional> <memory> <optional> <stdexcept> <string> <utility> <vector>)

# The Qt headers most of the program's and the host's files include.
set(TESSALY_PCH_QT_HEADERS
  <QApplication> <QDialog> <QEvent> <QFile> <QFileInfo> <QImage> <QKeyEvent> <QLabel>
  <QMouseEvent> <QObject> <QPainter> <QPointer> <QRect> <QString> <QStringList> <QTimer>
  <QWidget>)

# tessaly_precompile_headers(<target> <header>...)
#   Precompiles the headers for <target> alone (its flags are its own).
function(tessaly_precompile_headers target)
  if(TESSALY_LIBRARY_PCH)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# tessaly_reuse_precompiled_headers(<target> <donor>)
#   <target> uses the headers precompiled for <donor>, which must be compiled with the same flags
#   and with no macro that <target> lacks. Nothing where <donor> precompiles nothing (a library
#   without TESSALY_LIBRARY_PCH, any target without TESSALY_PCH).
function(tessaly_reuse_precompiled_headers target donor)
  if(NOT TARGET ${donor})
    return()
  endif()
  get_target_property(headers ${donor} PRECOMPILE_HEADERS)
  if(headers)
    target_precompile_headers(${target} REUSE_FROM ${donor})
  endif()
endfunction()
