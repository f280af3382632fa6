# The sources every harness build compiles: the program's modules, the
# Qt-free parts of the platform (array files, receive-callback events), the
# simulator's request reader, the fake services and the harnesses. Both the
# fuzz project (clang, libFuzzer) and the regression tests (the normal
# build) include this file; QZAN_ROOT is the checkout.
include(${QZAN_ROOT}/cmake/program_sources.cmake)
set(QZAN_FUZZ_SOURCES
  ${QZAN_PROGRAM_SOURCES}
  ${QZAN_CORE_SOURCES}
  ${QZAN_PROTOCOL_SOURCES}
  ${QZAN_ROOT}/platform/runtime/arrayfile.cpp
  ${QZAN_ROOT}/platform/serial/events.cpp
  ${QZAN_ROOT}/sim/request_reader.cpp
  ${QZAN_ROOT}/sim/wire.cpp
  ${QZAN_ROOT}/fuzz/fake_platform/runtime.cpp
  ${QZAN_ROOT}/fuzz/fake_platform/serial.cpp
  ${QZAN_ROOT}/fuzz/fake_platform/ui.cpp
  ${QZAN_ROOT}/fuzz/fake_platform/views.cpp
  ${QZAN_ROOT}/fuzz/harness_common.cpp
  ${QZAN_ROOT}/fuzz/scratch_file.cpp
  ${QZAN_ROOT}/fuzz/reply_harness.cpp
  ${QZAN_ROOT}/fuzz/datablock_harness.cpp
  ${QZAN_ROOT}/fuzz/parafile_harness.cpp
  ${QZAN_ROOT}/fuzz/sim_request_harness.cpp
)
