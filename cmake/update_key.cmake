# tolv_update_key_source(PEM OUT): writes OUT, the source that defines the
# key updates must be signed with: the RSA public key in the PEM file PEM
# (openssl's "PUBLIC KEY"), or none when PEM is empty. A missing file, a
# private key or anything but a public key stops the configuration, so that
# a publisher never ships a build that refuses every update, or one that
# carries the private key.
function(tolv_update_key_source pem out)
  set(TOLV_KEY_BASE64 "")
  set(TOLV_KEY_ORIGIN "none: updates are taken on their version token")
  if(pem)
    if(NOT EXISTS "${pem}")
      message(FATAL_ERROR "TOLV_UPDATE_KEY: no such file: ${pem}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${pem}")
    file(READ "${pem}" text)
    if(text MATCHES "PRIVATE KEY")
      message(FATAL_ERROR "TOLV_UPDATE_KEY names a private key (${pem}); build with its public "
                          "half: openssl pkey -in KEY.pem -pubout -out KEY.pub.pem")
    endif()
    if(NOT text MATCHES "-----BEGIN PUBLIC KEY-----([^-]*)-----END PUBLIC KEY-----")
      message(FATAL_ERROR "TOLV_UPDATE_KEY: ${pem} holds no PEM \"PUBLIC KEY\" "
                          "(openssl pkey -in KEY.pem -pubout makes one)")
    endif()
    string(REGEX REPLACE "[ \t\r\n]" "" body "${CMAKE_MATCH_1}")
    if(NOT body MATCHES "^[A-Za-z0-9+/]+=*$")
      message(FATAL_ERROR "TOLV_UPDATE_KEY: ${pem} is not Base64 inside its PEM lines")
    endif()
    # The client refuses keys under 2048 bits; say so now rather than ship
    # a build that takes no update. openssl is optional here.
    find_program(TOLV_OPENSSL openssl)
    if(TOLV_OPENSSL)
      execute_process(COMMAND "${TOLV_OPENSSL}" pkey -pubin -in "${pem}" -noout -text
                      OUTPUT_VARIABLE described RESULT_VARIABLE failed ERROR_QUIET)
      if(failed OR NOT described MATCHES "Public-Key: \\(([0-9]+) bit")
        message(FATAL_ERROR "TOLV_UPDATE_KEY: openssl cannot read ${pem}")
      endif()
      if(CMAKE_MATCH_1 LESS 2048 OR NOT described MATCHES "Modulus")
        message(FATAL_ERROR "TOLV_UPDATE_KEY: ${pem} must be an RSA key of 2048 bits or more")
      endif()
    endif()
    set(TOLV_KEY_BASE64 "${body}")
    get_filename_component(name "${pem}" NAME)
    set(TOLV_KEY_ORIGIN "${name}")
  endif()
  configure_file("${CMAKE_SOURCE_DIR}/net/update_key.cpp.in" "${out}" @ONLY)
endfunction()
