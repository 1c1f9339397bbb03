# Fails when a source breaks the direction of dependencies between the GUI
# folders: ui/ is below the pages, modules/, wizards/ and syslog/ use ui/
# (and each other as they do today), and console/ is above them all. So no
# file of modules/, wizards/, syslog/ or ui/ may include a header of
# console/, and no file of ui/ may include a header of modules/, wizards/ or
# syslog/ either. Headers are matched by file name, as the include path
# finds them.
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
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" included "${line}")
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

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "Includes against the direction of dependencies:\n  ${text}")
endif()
message(STATUS "No page, wizard, syslog or ui/ source includes a header of a folder above it")
