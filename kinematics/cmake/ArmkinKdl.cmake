# armkin_kdl: the Orocos KDL kinematics library, an independent peer for the
# tests and the benchmarks only (never linked into a deliverable). Defined
# when KDL is found for a native build; left undefined otherwise.
include_guard(GLOBAL)

if(NOT CMAKE_CROSSCOMPILING)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(ARMKIN_KDL QUIET IMPORTED_TARGET GLOBAL orocos-kdl)
  endif()
  if(TARGET PkgConfig::ARMKIN_KDL)
    add_library(armkin_kdl INTERFACE)
    target_link_libraries(armkin_kdl INTERFACE PkgConfig::ARMKIN_KDL)
  else()
    find_package(orocos_kdl CONFIG QUIET)
    if(orocos_kdl_FOUND)
      add_library(armkin_kdl INTERFACE)
      target_include_directories(armkin_kdl SYSTEM INTERFACE ${orocos_kdl_INCLUDE_DIRS})
      target_link_libraries(armkin_kdl INTERFACE ${orocos_kdl_LIBRARIES})
    endif()
  endif()
  if(TARGET armkin_kdl)
    # The arm's chain, shared by the peer test and the benchmarks.
    target_include_directories(armkin_kdl INTERFACE ${PROJECT_SOURCE_DIR}/tests/kinematics/kdl)
  else()
    message(STATUS "Orocos KDL not found: the KDL peer test and benchmarks are left out")
  endif()
endif()
