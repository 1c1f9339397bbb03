# Fails when a source breaks the direction of dependencies between the
# folders below console/: resources/ is at the bottom, ui/ uses it and is
# below the pages, modules/, wizards/ and syslog/ use ui/ (and each other as
# they do today), and console/ is above them all; intp/, the protocol
# library, uses none of them. So no file of a folder may include a header of
# a folder above it. Both kinds of include count, "quoted" and <angled>: the
# include path finds either by the header's file name.
function(header_names folder out)
  file(GLOB_RECURSE headers ${SOURCE_DIR}/${folder}/*.h)
  set(names)
  foreach(header ${headers})
    get_filename_component(name ${header} NAME)
    list(APPEND names ${name})
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# Appends to `problems` every include of a file of `folder` that names one
# of the headers of the folders in `above`.
function(check_folder folder above)
  set(forbidden)
  foreach(other ${above})
    header_names(${other} names)
    foreach(name ${names})
      list(APPEND forbidden "${other}/${name}")
    endforeach()
  endforeach()
  set(include_line "^[ \t]*#[ \t]*include[ \t]*(\"[^\"]+\"|<[^>]+>)")
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "${include_line}")
    foreach(line ${includes})
      string(REGEX MATCH "${include_line}" found "${line}")
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">]$" "\\1" included "${found}")
      get_filename_component(name "${included}" NAME)
      foreach(entry ${forbidden})
        get_filename_component(entryName ${entry} NAME)
        if(name STREQUAL entryName)
          file(RELATIVE_PATH relative ${SOURCE_DIR} ${source})
          list(APPEND problems "${relative} includes ${entry}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  set(problems ${problems} PARENT_SCOPE)
endfunction()

set(problems)
foreach(folder modules wizards syslog)
  check_folder(${folder} "console")
endforeach()
check_folder(ui "console;modules;wizards;syslog")
check_folder(resources "console;modules;wizards;syslog;ui")
check_folder(intp "console;modules;wizards;syslog;ui;resources")

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "Includes against the direction of dependencies:\n  ${text}")
endif()
message(STATUS "No source below console/ includes a header of a folder above it")
