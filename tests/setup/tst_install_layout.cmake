# Installs the build into a scratch prefix and checks that the programs and
# everything they use beside them are there, and that the installed
# program works from there.
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
  # The programs in bin/, the files they use in share/tabwright/ (marked
  # installed: the program writes nothing there), what the desktop and
  # Debian read.
  set(expected
      bin/tabwright bin/tabwright-cli share/tabwright/HAND-M.CUR share/tabwright/installed.txt
      share/tabwright/Samples/customers.dbf share/tabwright/Samples/customers.fpt share/tabwright/Samples/orders.dbf
      share/tabwright/Samples/products.dbf share/tabwright/Samples/clients.db share/tabwright/Samples/clients.mb
      share/tabwright/Samples/invoices.db share/tabwright/Samples/stock.db
      share/applications/tabwright.desktop share/icons/hicolor/scalable/apps/tabwright.svg
      share/metainfo/com.kestrava.Tabwright.metainfo.xml share/doc/tabwright/copyright
      share/doc/tabwright/changelog.gz share/man/man1/tabwright.1.gz share/man/man1/tabwright-cli.1.gz)
  set(unexpected bin/dbtemp.mdb bin/Samples share/tabwright/dbtemp.mdb)
endif()
foreach(path ${expected})
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "${path} is missing from the installed tree")
  endif()
endforeach()
foreach(path ${unexpected})
  if(EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "${path} should not be in the installed tree")
  endif()
endforeach()
if(NOT WINDOWS)
  # The installed program copies a sample table to Paradox through a work
  # database it makes in the user's data folder, not among its own files.
  set(home "${PREFIX}-home")
  file(REMOVE_RECURSE "${home}")
  file(MAKE_DIRECTORY "${home}/paradox")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env "HOME=${home}" "XDG_DATA_HOME=${home}/data"
                          "XDG_CONFIG_HOME=${home}/config"
                          "${PREFIX}/bin/tabwright-cli" copy --to paradox --foxpro "${PREFIX}/share/tabwright/Samples"
                          --paradox "${home}/paradox" --yes orders
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT result EQUAL 0 OR NOT EXISTS "${home}/paradox/orders.db")
    message(FATAL_ERROR "The installed tabwright-cli did not copy a sample (${result}): ${output}${errors}")
  endif()
  if(NOT EXISTS "${home}/data/Kestrava/Tabwright/dbtemp.mdb" OR EXISTS "${PREFIX}/share/tabwright/dbtemp.mdb")
    message(FATAL_ERROR "The installed program's work database is not in the user's data folder")
  endif()
  file(REMOVE_RECURSE "${home}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
