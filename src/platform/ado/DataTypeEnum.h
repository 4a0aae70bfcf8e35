#pragma once
// The ADO data type codes our providers report for their columns.

namespace tw::ado {

enum DataTypeEnum : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBSTR = 8,
    adBoolean = 11,
    adDecimal = 14,
    adBigInt = 20,
    adBinary = 128,
    adChar = 129,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// Cursor locations, cursor types, lock types and modes the program sets.
constexpr int adUseServer = 2;
constexpr int adUseClient = 3;
constexpr int adOpenDynamic = 2;
constexpr int adLockOptimistic = 3;
constexpr int adModeReadWrite = 3;
constexpr int adSchemaTables = 20;

} // namespace tw::ado
