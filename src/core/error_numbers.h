// Every error number the component, the data layer and the two engines
// raise, with what it means. The numbers follow the host's runtime and its
// database engine, so a host that knows them reads ours the same way; the
// mail numbers are the report engine's own. A ComError's description always
// says what failed and where; the number says which kind of failure it is.
#ifndef DUNMERROW_CORE_ERROR_NUMBERS_H_
#define DUNMERROW_CORE_ERROR_NUMBERS_H_

#include <cstdint>

namespace core {

// The host's runtime.
inline constexpr int32_t kErrInvalidCall = 5;         // an argument out of range or not allowed
inline constexpr int32_t kErrOverflow = 6;            // a number beyond its type's range
inline constexpr int32_t kErrOutOfMemory = 7;         // an allocation failed
inline constexpr int32_t kErrSubscript = 9;           // an index outside an array
inline constexpr int32_t kErrDivisionByZero = 11;     // a division by zero
inline constexpr int32_t kErrTypeMismatch = 13;       // a value that cannot be converted
inline constexpr int32_t kErrInternal = 51;           // a failure nobody expected
inline constexpr int32_t kErrBadFileName = 52;        // a file name that cannot be used
inline constexpr int32_t kErrFileNotFound = 53;       // a file that does not exist
inline constexpr int32_t kErrDeviceIO = 57;           // reading or writing a device failed
inline constexpr int32_t kErrDiskFull = 61;           // no space left for a file
inline constexpr int32_t kErrPermissionDenied = 70;   // the user may not read or write it
inline constexpr int32_t kErrPathFileAccess = 75;     // a file or folder that cannot be used
inline constexpr int32_t kErrPathNotFound = 76;       // a folder that does not exist
inline constexpr int32_t kErrObjectNotSet = 91;       // no object where one is needed
inline constexpr int32_t kErrInvalidNull = 94;        // a Null where a value is needed
inline constexpr int32_t kErrInvalidFormat = 321;     // a file whose contents are not valid
inline constexpr int32_t kErrCantCreateObject = 429;  // no class registered for a ProgID
inline constexpr int32_t kErrInvalidPicture = 481;    // a picture that cannot be used (size limits)
inline constexpr int32_t kErrNotImplemented = 445;    // an operation the object does not offer
inline constexpr int32_t kErrDuplicateKey = 457;      // a key already in a collection
inline constexpr int32_t kErrPrinter = 482;           // the printer did not take a job

// The host's database engine.
inline constexpr int32_t kErrNoCurrentRecord = 3021;     // a recordset read past its rows
inline constexpr int32_t kErrCannotOpen = 3024;          // a database file that cannot be opened
inline constexpr int32_t kErrReadOnly = 3027;            // a statement that would write
inline constexpr int32_t kErrTooFewParameters = 3061;    // a name the query does not know
inline constexpr int32_t kErrSyntax = 3075;              // a statement that does not parse
inline constexpr int32_t kErrTableNotFound = 3078;       // a table or query that does not exist
inline constexpr int32_t kErrQuery = 3131;               // a statement the engine refused
inline constexpr int32_t kErrItemNotFound = 3265;        // a column, section or field not there
inline constexpr int32_t kErrUnrecognizedFormat = 3343;  // not a database file it can read
inline constexpr int32_t kErrObjectClosed = 3704;        // an object used before it is open

// The report engine's e-mail.
inline constexpr int32_t kErrMailNotConfigured = 5101;  // no mail server in the settings
inline constexpr int32_t kErrMailConnect = 5102;        // the server could not be reached
inline constexpr int32_t kErrMailRefused = 5103;        // the server refused sender, recipient or text
inline constexpr int32_t kErrMailTimeout = 5104;        // the server did not answer in time
inline constexpr int32_t kErrMailLogin = 5105;          // the server refused the user or password
inline constexpr int32_t kErrMailAddress = 5106;        // an address that is not a valid one

}  // namespace core

#endif  // DUNMERROW_CORE_ERROR_NUMBERS_H_
