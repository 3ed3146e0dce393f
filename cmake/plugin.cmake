# The plug-in module: plain records and function tables, no exceptions, one export.
set(FLARIMOND_PLUGIN_SOURCES
  ${CMAKE_SOURCE_DIR}/shell/entry.cpp
  ${CMAKE_SOURCE_DIR}/shell/errors.cpp
  ${CMAKE_SOURCE_DIR}/params/get_parameters.cpp
  ${CMAKE_SOURCE_DIR}/dialog/filter_dialog.cpp
  ${CMAKE_SOURCE_DIR}/dialog/notifiers.cpp
  ${CMAKE_SOURCE_DIR}/dialog/preview.cpp
  ${CMAKE_SOURCE_DIR}/dialog/presets.cpp
  ${CMAKE_SOURCE_DIR}/burst/generate.cpp
  ${CMAKE_SOURCE_DIR}/burst/paint.cpp
  ${CMAKE_SOURCE_DIR}/burst/placement.cpp
  ${CMAKE_SOURCE_DIR}/burst/dimensions.cpp
  ${CMAKE_SOURCE_DIR}/burst/shapes.cpp
  ${CMAKE_SOURCE_DIR}/burst/own_transform.cpp
  ${CMAKE_SOURCE_DIR}/burst/tables.cpp
  ${CMAKE_SOURCE_DIR}/burst/mirror.cpp
  ${CMAKE_SOURCE_DIR}/burst/shadow.cpp
  ${CMAKE_SOURCE_DIR}/burst/sketch.cpp
)

function(flarimond_plugin_options target)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -fvisibility=hidden
                         -fvisibility-inlines-hidden)
endfunction()
