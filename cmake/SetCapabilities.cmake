# Install step: gives CAP_FILE the file capabilities CAP_LIST with setcap.
# A failure stops the install with the reason and the two ways out: an
# installed console without its capabilities cannot do, as an ordinary user,
# what its users install it for, and that should not go unnoticed.
set(_how "Run the install as root (sudo cmake --install ...), or configure with -DINSTALL_CAPABILITIES=OFF to install without them (the console then needs root for the syslog port 514, the raw Ethernet scan and ARP entry removal).")
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
