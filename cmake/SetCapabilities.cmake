# Install step: gives CAP_FILE the file capabilities CAP_LIST with setcap;
# an empty CAP_LIST leaves the file without any (and takes away those an
# earlier install left on a file that was not copied again).
#
# A failure to set them stops the install with the reason and the two ways
# out: an installed console without its capabilities cannot do, as an
# ordinary user, what it is installed for, and that should not go unnoticed.
if(CAP_LIST STREQUAL "")
  find_program(_getcap getcap PATHS /usr/sbin /sbin NO_CACHE)
  find_program(_setcap setcap PATHS /usr/sbin /sbin NO_CACHE)
  if(_getcap AND _setcap)
    execute_process(COMMAND ${_getcap} ${CAP_FILE} OUTPUT_VARIABLE _held ERROR_QUIET)
    if(NOT _held STREQUAL "")
      execute_process(COMMAND ${_setcap} -r ${CAP_FILE} RESULT_VARIABLE _rc ERROR_VARIABLE _out)
      if(NOT _rc EQUAL 0)
        message(WARNING "${CAP_FILE} keeps the capabilities of an earlier install: setcap -r failed: ${_out}")
      endif()
    endif()
  endif()
  message(STATUS "Capabilities: left off (INSTALL_CAPABILITIES is OFF)")
  return()
endif()

set(_how "Run the install as root (in a root shell, or with sudo cmake --install ...), or configure with -DINSTALL_CAPABILITIES=OFF to install without them (the console then needs root for the syslog port 514, the raw Ethernet scan and ARP entry removal).")
find_program(_setcap setcap PATHS /usr/sbin /sbin NO_CACHE)
if(NOT _setcap)
  message(FATAL_ERROR "Cannot give ${CAP_FILE} its network capabilities: setcap was not found (Debian package libcap2-bin). ${_how}")
endif()
execute_process(COMMAND ${_setcap} ${CAP_LIST} ${CAP_FILE}
                RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
if(NOT _rc EQUAL 0)
  string(STRIP "${_out}" _out)
  message(FATAL_ERROR "Cannot give ${CAP_FILE} its network capabilities (${CAP_LIST}): setcap failed (${_rc}): ${_out}. ${_how}")
endif()
message(STATUS "Capabilities: ${CAP_FILE} ${CAP_LIST}")
# File capabilities are ignored on file systems mounted nosuid.
find_program(_findmnt findmnt NO_CACHE)
if(_findmnt)
  execute_process(COMMAND ${_findmnt} -n -o OPTIONS --target ${CAP_FILE}
                  RESULT_VARIABLE _rc OUTPUT_VARIABLE _options ERROR_QUIET)
  if(_rc EQUAL 0 AND _options MATCHES "(^|,)nosuid(,|$)")
    message(WARNING "${CAP_FILE} lies on a file system mounted nosuid: the kernel ignores its capabilities there. Install into another prefix.")
  endif()
endif()
