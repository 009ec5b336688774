# Fails when a source file includes a header of a layer above its own (cmake -P, with
# -DSOURCE_DIR=<project folder>). Layers, lowest first: base; formats and engine, each on base
# only; the front ends dialogue and cli, on the three below. Standard headers are not checked:
# only includes in double quotes that name a folder of the project.
cmake_minimum_required(VERSION 3.25)

set(project_folders base formats engine dialogue cli app tests tools bench)

set(allowed_base base)
set(allowed_formats base formats)
set(allowed_engine base engine)
set(allowed_dialogue base formats engine dialogue)
set(allowed_cli base formats engine cli)

set(faults "")
foreach(layer base formats engine dialogue cli)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" header "${line}")
      string(REGEX MATCH "^[^/]+" folder "${header}")
      if(folder IN_LIST project_folders AND NOT folder IN_LIST allowed_${layer})
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
        string(REPLACE ";" ", " shown_allowed "${allowed_${layer}}")
        string(APPEND faults "\n  ${shown} includes \"${header}\": ${layer}/ may use only"
                             " ${shown_allowed}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "An include crosses the layers upwards:${faults}")
endif()
