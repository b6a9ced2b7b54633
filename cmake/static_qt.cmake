# A static Qt (the mingw-w64 cross build) links only the plugins a program
# names. Its default platform plugin is the native one; programs that must
# also run without a display (--compare, the widget tests) take the offscreen
# platform too. With a shared Qt, plugins are loaded at run time instead.
get_target_property(VARNOLT_QT_CORE_TYPE Qt6::Core TYPE)

function(varnolt_link_offscreen_platform target)
  if(VARNOLT_QT_CORE_TYPE STREQUAL "STATIC_LIBRARY")
    qt_import_plugins(${target} INCLUDE Qt6::QOffscreenIntegrationPlugin)
  endif()
endfunction()
