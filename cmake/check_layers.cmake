# Fails when a source file includes a header of a layer above its own, or names a header of the
# project without its folder (which would slip past this check). Run with cmake -P and
# -DSOURCE_DIR=<project folder>. Layers, lowest first: base; formats, formats/gis and engine;
# run, which the front ends share; the front ends dialogue, cli and python (the module); the
# programs in app. The generators (tools), the benchmark (bench) and the tests sit beside them.
# Standard headers (in angle brackets) are not checked.
cmake_minimum_required(VERSION 3.25)

set(layers base formats formats/gis engine run dialogue cli python app tools bench tests)

set(allowed_base base)
set(allowed_formats base formats)
set(allowed_formats/gis base formats formats/gis)
set(allowed_engine base engine)
set(allowed_run base formats formats/gis engine run)
set(allowed_dialogue base formats engine run dialogue)
set(allowed_cli base formats formats/gis engine run cli)
set(allowed_python base formats formats/gis engine run python)
set(allowed_app base dialogue cli app)
set(allowed_tools base formats tools)
set(allowed_bench base formats engine run dialogue tools tests bench)
set(allowed_tests ${layers})

# The layer a path inside the project belongs to: formats/gis/ apart from formats/, else its
# first folder.
function(layer_of path out)
  if(path MATCHES "^formats/gis/")
    set(${out} formats/gis PARENT_SCOPE)
  else()
    string(REGEX MATCH "^[^/]+" first "${path}")
    set(${out} "${first}" PARENT_SCOPE)
  endif()
endfunction()

set(faults "")
foreach(folder base formats engine run dialogue cli python app tools bench tests)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
    layer_of("${shown}" layer)
    string(REPLACE ";" ", " shown_allowed "${allowed_${layer}}")
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" header "${line}")
      if(NOT header MATCHES "/")
        string(APPEND faults "\n  ${shown} includes \"${header}\" without its folder")
        continue()
      endif()
      layer_of("${header}" target)
      if(target IN_LIST layers AND NOT target IN_LIST allowed_${layer})
        string(APPEND faults "\n  ${shown} includes \"${header}\": ${layer}/ may use only"
                             " ${shown_allowed}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "An include crosses the layers upwards or names no folder:${faults}")
endif()
