# The program's modules (everything but main), for the program's library and
# for builds that compile them directly (fuzz targets). QZAN_ROOT is the checkout.
# The protocol core is a library of its own that the program's modules use.
set(QZAN_PROTOCOL_SOURCES
  ${QZAN_ROOT}/core/protocol/frame.cpp
  ${QZAN_ROOT}/core/protocol/record.cpp
  ${QZAN_ROOT}/core/protocol/parafile.cpp
  ${QZAN_ROOT}/core/protocol/comerror.cpp
  ${QZAN_ROOT}/core/protocol/describe.cpp
)
# The ground floor the modules stand on: shared state, status line, ticks,
# dimming.
set(QZAN_CORE_SOURCES
  ${QZAN_ROOT}/core/globals.cpp
  ${QZAN_ROOT}/core/status.cpp
  ${QZAN_ROOT}/core/controls.cpp
)
set(QZAN_PROGRAM_SOURCES
  ${QZAN_ROOT}/app/QzanRMRivad.cpp
  ${QZAN_ROOT}/app/callbacks.cpp
  ${QZAN_ROOT}/app/port.cpp
  ${QZAN_ROOT}/app/measure.cpp
  ${QZAN_ROOT}/app/transfer.cpp
  ${QZAN_ROOT}/app/record.cpp
  ${QZAN_ROOT}/app/compare.cpp
  ${QZAN_ROOT}/app/trend.cpp
  ${QZAN_ROOT}/app/monitor.cpp
  ${QZAN_ROOT}/link/frames.cpp
  ${QZAN_ROOT}/link/port.cpp
  ${QZAN_ROOT}/link/exchange.cpp
  ${QZAN_ROOT}/link/datablock.cpp
  ${QZAN_ROOT}/settings/binding.cpp
  ${QZAN_ROOT}/settings/fetch.cpp
  ${QZAN_ROOT}/settings/portinfo.cpp
  ${QZAN_ROOT}/settings/parafile.cpp
  ${QZAN_ROOT}/settings/PopUp.cpp
  ${QZAN_ROOT}/graph/plotdata.cpp
  ${QZAN_ROOT}/graph/plotraw.cpp
  ${QZAN_ROOT}/views/compare_rows.cpp
)
# Windows on Qt Widgets: in the program's library, not in builds on a fake
# platform (those stand in for them, see fuzz/fake_platform/views.cpp).
set(QZAN_VIEWS_SOURCES
  ${QZAN_ROOT}/views/compare.cpp
  ${QZAN_ROOT}/views/trend.cpp
  ${QZAN_ROOT}/views/trend_live.cpp
  ${QZAN_ROOT}/views/monitor.cpp
  ${QZAN_ROOT}/views/monitor_rows.cpp
  ${QZAN_ROOT}/views/quality_panel.cpp
  ${QZAN_ROOT}/views/histogram.cpp
)
