# SPDX-License-Identifier: MIT
# Runs at install time, after the programs are in place (MERO_DIST_DIR,
# MERO_PROGRAM_DIR and MERO_MIME_TYPES are set by the install rules): links
# the programs into bin/, writes the desktop entries for this prefix and
# tells the desktop about them.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

# A value for a desktop entry's Exec key: quoted when it holds a reserved
# character, then escaped as every string value is.
function(mero_exec_value path out)
  string(REPLACE "%" "%%" value "${path}")
  if(value MATCHES "[] \t\n\"'\\\\><~|&;$*?#()`[]")
    string(REPLACE "\\" "\\\\" value "${value}")
    string(REPLACE "\"" "\\\"" value "${value}")
    string(REPLACE "`" "\\`" value "${value}")
    string(REPLACE "$" "\\$" value "${value}")
    set(value "\"${value}\"")
  endif()
  string(REPLACE "\\" "\\\\" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

function(mero_install_link name target)
  set(link "${root}/bin/${name}")
  file(MAKE_DIRECTORY "${root}/bin")
  file(REMOVE "${link}")
  file(CREATE_LINK "../${MERO_PROGRAM_DIR}/${target}" "${link}" SYMBOLIC)
  message(STATUS "Installing: ${link}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_PREFIX}/bin/${name}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

function(mero_install_entry name command)
  set(program "${CMAKE_INSTALL_PREFIX}/bin/${command}")
  mero_exec_value("${program}" MERO_EXEC)
  string(REPLACE "\\" "\\\\" MERO_TRY_EXEC "${program}")
  list(JOIN MERO_MIME_TYPES ";" MERO_MIME_TYPES)
  set(MERO_MIME_TYPES "${MERO_MIME_TYPES};")
  set(entry "${root}/share/applications/${name}.desktop")
  configure_file("${MERO_DIST_DIR}/${name}.desktop.in" "${entry}" @ONLY)
  message(STATUS "Installing: ${entry}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_PREFIX}/share/applications/${name}.desktop")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

mero_install_link(merosonx MeroSonx)
mero_install_link(merosonx-return Return)
mero_install_entry(merosonx merosonx)
mero_install_entry(merosonx-return merosonx-return)

# The desktop's caches, for an installation into a live system (not a staged
# one): the MIME associations of the entries.
if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
  find_program(MERO_UPDATE_DESKTOP_DATABASE update-desktop-database)
  if(MERO_UPDATE_DESKTOP_DATABASE)
    execute_process(COMMAND "${MERO_UPDATE_DESKTOP_DATABASE}" -q "${root}/share/applications")
  endif()
endif()
