# Installs the build into a scratch prefix and checks that the programs and
# everything they use beside them are there.
#   cmake -DBUILD=<build dir> -DPREFIX=<scratch prefix> -P tst_install_layout.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()
foreach(path
    bin/tabwright bin/tabwright-cli bin/dbtemp.mdb bin/HAND-M.CUR
    bin/Samples/customers.dbf bin/Samples/customers.fpt bin/Samples/orders.dbf bin/Samples/products.dbf
    bin/Samples/clients.db bin/Samples/clients.mb bin/Samples/invoices.db bin/Samples/stock.db
    share/applications/tabwright.desktop share/icons/hicolor/scalable/apps/tabwright.svg)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "${path} is missing from the installed tree")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
