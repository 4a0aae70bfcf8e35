# Installs the build into a scratch prefix and checks that the programs and
# everything they use beside them are there.
#   cmake -DBUILD=<build dir> -DPREFIX=<scratch prefix> [-DWINDOWS=ON] -P tst_install_layout.cmake
# On Windows the installed tree is the zip's: everything in one folder.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()
if(WINDOWS)
  set(expected
      tabwright.exe tabwright-cli.exe dbtemp.mdb HAND-M.CUR LICENSE README.txt THIRD-PARTY-NOTICES.txt
      Samples/customers.dbf Samples/customers.fpt Samples/orders.dbf Samples/products.dbf
      Samples/clients.db Samples/clients.mb Samples/invoices.db Samples/stock.db)
else()
  set(expected
      bin/tabwright bin/tabwright-cli bin/dbtemp.mdb bin/HAND-M.CUR
      bin/Samples/customers.dbf bin/Samples/customers.fpt bin/Samples/orders.dbf bin/Samples/products.dbf
      bin/Samples/clients.db bin/Samples/clients.mb bin/Samples/invoices.db bin/Samples/stock.db
      share/applications/tabwright.desktop share/icons/hicolor/scalable/apps/tabwright.svg)
endif()
foreach(path ${expected})
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "${path} is missing from the installed tree")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
