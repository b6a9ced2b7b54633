# Lays out the Windows program folder afresh (cmake -DFILES=<list> -P ...):
# a file left over from an earlier layout would otherwise be installed.
include(${FILES})
file(REMOVE_RECURSE ${folder})
file(MAKE_DIRECTORY ${folder})
file(COPY ${executable} ${libraries} DESTINATION ${folder})
foreach(plugin IN LISTS plugins)
  # A plugin's folder is its type: platforms, styles, imageformats.
  get_filename_component(type_folder ${plugin} DIRECTORY)
  get_filename_component(type ${type_folder} NAME)
  file(COPY ${plugin} DESTINATION ${folder}/${type})
endforeach()
if(NOT EXISTS ${converter}/convert.exe)
  message(FATAL_ERROR "${converter} holds no convert.exe (.ci/windows-imagemagick builds it)")
endif()
file(GLOB converter_files ${converter}/*)
file(COPY ${converter_files} ${policy} DESTINATION ${folder}/imagemagick)
