# tlv_layer(<target> <core|window>)
# Declares the layer of a program target where the target is defined. A core target holds the
# process (Qt Core only); a window target holds the forms that show it and forward the operator's
# commands. The test architecture_layers fails when a core target links Qt Widgets, directly or
# through any library it links, links a window target, or when one of its files includes a Qt
# Widgets header or a window target's header (directly or through the project headers it includes).
#
# At the end of the configuration every declared target, and every target it reaches, is written
# to ${CMAKE_BINARY_DIR}/tlv_layers.cmake; cmake/TlvLayersCheck.cmake reads that file.

set_property(GLOBAL PROPERTY TLV_LAYER_TARGETS "")

function(tlv_layer target layer)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "tlv_layer: no target named ${target}")
  endif()
  if(NOT layer STREQUAL "core" AND NOT layer STREQUAL "window")
    message(FATAL_ERROR "tlv_layer: layer of ${target} must be core or window, not '${layer}'")
  endif()
  get_property(_declared GLOBAL PROPERTY TLV_LAYER_TARGETS)
  if(${target} IN_LIST _declared)
    message(FATAL_ERROR "tlv_layer: ${target} is declared twice")
  endif()
  set_property(GLOBAL APPEND PROPERTY TLV_LAYER_TARGETS ${target})
  set_property(TARGET ${target} PROPERTY TLV_LAYER ${layer})
endfunction()

# The link items of one target with generator expressions opened, the markers CMake adds for
# target_link_libraries calls from other folders dropped, and aliases resolved.
function(_tlv_layer_links target out)
  get_target_property(_imported ${target} IMPORTED)
  set(_raw "")
  if(NOT _imported)
    get_target_property(_direct ${target} LINK_LIBRARIES)
    if(_direct)
      list(APPEND _raw ${_direct})
    endif()
  endif()
  get_target_property(_iface ${target} INTERFACE_LINK_LIBRARIES)
  if(_iface)
    list(APPEND _raw ${_iface})
  endif()
  set(_items "")
  foreach(_item IN LISTS _raw)
    # $<LINK_ONLY:x>, $<$<CONFIG:..>:x>, $<TARGET_NAME:x>: keep what the expression may yield.
    # Counting a conditional item as linked errs on the side of reporting.
    string(REGEX REPLACE "^(\\$<[^:>]*:)+" "" _item "${_item}")
    string(REGEX REPLACE ">+$" "" _item "${_item}")
    if(_item STREQUAL "" OR _item MATCHES "^::@" OR _item MATCHES "\\$<")
      continue()
    endif()
    if(TARGET ${_item})
      get_target_property(_aliased ${_item} ALIASED_TARGET)
      if(_aliased)
        set(_item ${_aliased})
      endif()
    endif()
    list(APPEND _items ${_item})
  endforeach()
  list(REMOVE_DUPLICATES _items)
  set(${out} ${_items} PARENT_SCOPE)
endfunction()

function(_tlv_layer_key name out)
  string(MAKE_C_IDENTIFIER "${name}" _key)
  set(${out} ${_key} PARENT_SCOPE)
endfunction()

# The header names of a Qt module's include folder (QWidget, qwidget.h, ...).
function(_tlv_qt_header_names module out)
  set(_names "")
  if(TARGET Qt6::${module})
    get_target_property(_dirs Qt6::${module} INTERFACE_INCLUDE_DIRECTORIES)
    foreach(_dir IN LISTS _dirs)
      if(_dir MATCHES "/Qt${module}$" AND IS_DIRECTORY "${_dir}")
        file(GLOB _files LIST_DIRECTORIES false RELATIVE "${_dir}" "${_dir}/*")
        list(APPEND _names ${_files})
      endif()
    endforeach()
  endif()
  set(${out} ${_names} PARENT_SCOPE)
endfunction()

function(_tlv_layers_write)
  get_property(_declared GLOBAL PROPERTY TLV_LAYER_TARGETS)
  set(_file "${CMAKE_BINARY_DIR}/tlv_layers.cmake")
  set(_text "# Written by cmake/TlvLayers.cmake: the program targets, their layers and link graph.\n")

  # Widget headers: every header of Qt Widgets that Qt Core and Qt Gui do not also provide.
  _tlv_qt_header_names(Widgets _widget_headers)
  _tlv_qt_header_names(Core _core_headers)
  _tlv_qt_header_names(Gui _gui_headers)
  if(_widget_headers)
    list(REMOVE_ITEM _widget_headers ${_core_headers} ${_gui_headers} "")
  endif()
  string(APPEND _text "set(TLV_WIDGET_HEADERS \"${_widget_headers}\")\n")
  string(APPEND _text "set(TLV_SOURCE_ROOT \"${CMAKE_SOURCE_DIR}\")\n")
  string(APPEND _text "set(TLV_DECLARED \"${_declared}\")\n")

  # Every target reachable from a declared one, with its direct links.
  set(_queue ${_declared})
  set(_seen "")
  while(_queue)
    list(POP_FRONT _queue _target)
    if(_target IN_LIST _seen)
      continue()
    endif()
    list(APPEND _seen ${_target})
    _tlv_layer_key(${_target} _key)
    _tlv_layer_links(${_target} _links)
    string(APPEND _text "set(TLV_LINKS_${_key} \"${_links}\")\n")
    foreach(_link IN LISTS _links)
      if(TARGET ${_link})
        list(APPEND _queue ${_link})
      endif()
    endforeach()
    get_target_property(_imported ${_target} IMPORTED)
    if(_imported)
      continue()
    endif()
    # Include folders a file of a core target may be compiled with: its own, and the interface
    # folders of every project library it links (the check unions them over the link closure).
    set(_includes "")
    foreach(_property INCLUDE_DIRECTORIES INTERFACE_INCLUDE_DIRECTORIES)
      get_target_property(_dirs ${_target} ${_property})
      foreach(_dir IN LISTS _dirs)
        string(REGEX REPLACE "^\\$<BUILD_INTERFACE:(.*)>$" "\\1" _dir "${_dir}")
        if(_dir MATCHES "\\$<")
          continue()
        endif()
        list(APPEND _includes ${_dir})
      endforeach()
    endforeach()
    list(REMOVE_DUPLICATES _includes)
    string(APPEND _text "set(TLV_INCLUDES_${_key} \"${_includes}\")\n")
  endwhile()

  foreach(_target IN LISTS _declared)
    _tlv_layer_key(${_target} _key)
    get_target_property(_layer ${_target} TLV_LAYER)
    get_target_property(_dir ${_target} SOURCE_DIR)
    get_target_property(_sources ${_target} SOURCES)
    set(_absolute "")
    foreach(_source IN LISTS _sources)
      if(_source MATCHES "\\$<")
        continue()
      endif()
      cmake_path(ABSOLUTE_PATH _source BASE_DIRECTORY "${_dir}" NORMALIZE)
      list(APPEND _absolute ${_source})
    endforeach()
    string(APPEND _text "set(TLV_LAYER_${_key} ${_layer})\n")
    string(APPEND _text "set(TLV_SOURCES_${_key} \"${_absolute}\")\n")
  endforeach()
  file(WRITE "${_file}.new" "${_text}")
  file(COPY_FILE "${_file}.new" "${_file}" ONLY_IF_DIFFERENT)
  file(REMOVE "${_file}.new")
endfunction()

cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _tlv_layers_write)

if(BUILD_TESTING AND NOT TLV_CARDLIB_ONLY)
  set(_tlv_check ${CMAKE_COMMAND} -DTLV_LAYERS_FILE=${CMAKE_BINARY_DIR}/tlv_layers.cmake
                 -P ${CMAKE_CURRENT_LIST_DIR}/TlvLayersCheck.cmake)
  add_test(NAME architecture_layers COMMAND ${_tlv_check})
  # The check itself is checked: each planted fault must be caught and named.
  foreach(_plant widget window link)
    add_test(NAME architecture_layers_catches_${_plant}
             COMMAND ${CMAKE_COMMAND} -DTLV_LAYERS_FILE=${CMAKE_BINARY_DIR}/tlv_layers.cmake
                     -DTLV_LAYERS_PLANT=${_plant}
                     -DTLV_LAYERS_PLANT_DIR=${CMAKE_BINARY_DIR}/tlv_layers_plant_${_plant}
                     -P ${CMAKE_CURRENT_LIST_DIR}/TlvLayersCheck.cmake)
  endforeach()
  set_tests_properties(architecture_layers_catches_widget PROPERTIES
    PASS_REGULAR_EXPRESSION "planted_view.h includes the widget header <QDialog>.*layering broken")
  set_tests_properties(architecture_layers_catches_window PROPERTIES
    PASS_REGULAR_EXPRESSION "planted_core.cpp includes .* a header of the window target .*layering broken")
  set_tests_properties(architecture_layers_catches_link PROPERTIES
    PASS_REGULAR_EXPRESSION "links Qt Widgets through .*Qt6::Widgets.*layering broken")
endif()
