# Checks that every source of the core includes only from the folders below
# its own: the include roots already keep the core from reaching the GUI, this
# keeps the core's own folders from reaching up or around.
#   model   the values every folder shares: the record, the unit's identity,
#           the per-side download, the history-line parser, the file times
#   comm    the serial line
#   files   the file formats and the archive
#   reader  the unit's protocol over comm; it reads data files through files
#   session a download from archive lookup to archive write
# Run as: cmake -DSOURCE_DIR=<root> -DSTAMP=<file> -P layers.cmake
cmake_minimum_required(VERSION 3.21)
set(allowed_model model)
set(allowed_comm comm)
set(allowed_frame frame)
set(allowed_files files model frame)
set(allowed_reader reader files comm model frame)
set(allowed_session session reader files comm model frame)

set(faults "")
foreach(folder model comm files reader session)
  file(GLOB sources ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^#include \"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" included "${line}")
      if(NOT included IN_LIST allowed_${folder})
        file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
        string(APPEND faults "\n  ${name}: ${line} (${folder}/ builds on ${allowed_${folder}} only)")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Includes that run up or across the core's layers:${faults}")
endif()
file(WRITE ${STAMP} "layers checked\n")
