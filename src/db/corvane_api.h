/* The interface of the database helper library libCorvane.so, as the export library binds it
 * by name at load.
 *
 * Conventions
 *  - C linkage, the platform's C calling convention. No C++ exception leaves a function: a
 *    failure is reported in the CorvaneError the caller passes last (class_name empty on
 *    success). The caller raises it again as an exception of that class with that message.
 *  - Texts are NUL-terminated Windows-1251 strings. module_name is the file name of the
 *    calling module (for example "libKVRExportCreator9.so"); the helper may use it to tell its
 *    callers apart.
 *  - Object handles are pointers to the Firebird access components of src/firebird, compiled
 *    into both libraries from the same sources of the same build (so both agree on their
 *    layout): CorvaneDatabase is a kvr::TIBDatabase, CorvaneTransaction a kvr::TIBTransaction,
 *    CorvaneDataSet a kvr::TIBDataSet, CorvaneComponent a kvr::TComponent (an owner).
 *  - Ownership: an object the helper creates with an owner belongs to that owner, which frees
 *    it; without an owner it belongs to the caller. Objects are always freed through their
 *    virtual destructors, so the code that frees them is the code of the library that created
 *    them, and the memory goes back to the one process-wide allocator. The helper must stay
 *    loaded while any object it created lives (it is unloaded only when the export library
 *    unloads).
 *  - Calls come from the caller's thread; the helper serialises connecting and disconnecting
 *    across processes by itself.
 *
 * The export library calls FBConnectDB, FBDisconnectDB, FBCreateTransaction,
 * FBCreateDataSetForRead2 (or FBCreateDataSetForRead when the former is absent), GetFBPassword
 * and GetFBPort. It binds 14 more names that it never calls (src/db/helper_binding.h lists
 * all 21); this helper does not export them.
 */
#ifndef KVR_CORVANE_API_H
#define KVR_CORVANE_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CorvaneDatabase CorvaneDatabase;
typedef struct CorvaneTransaction CorvaneTransaction;
typedef struct CorvaneDataSet CorvaneDataSet;
typedef struct CorvaneComponent CorvaneComponent;

#define CORVANE_CLASS_NAME_SIZE 64
#define CORVANE_MESSAGE_SIZE 8192

typedef struct CorvaneError {
  char class_name[CORVANE_CLASS_NAME_SIZE]; /* "" on success, else e.g. "EIBInterBaseError" */
  uint32_t os_error;                        /* the system error code of an EOSError */
  char message[CORVANE_MESSAGE_SIZE];       /* the exception's message, cut to fit */
} CorvaneError;

/* Connects the database (serialised across processes). */
typedef void (*FBConnectDBProc)(CorvaneDatabase* database, const char* module_name,
                                CorvaneError* error);
/* Disconnects the database (serialised across processes); the caller may then free it. */
typedef void (*FBDisconnectDBProc)(CorvaneDatabase* database, const char* module_name,
                                   CorvaneError* error);
/* A transaction on the database, named `name`, owned by `owner` (or the caller when null).
 * read_only nonzero: read-only, read committed, no waiting; zero: read-write snapshot. */
typedef CorvaneTransaction* (*FBCreateTransactionProc)(CorvaneDatabase* database, int32_t read_only,
                                                       const char* name, CorvaneComponent* owner,
                                                       const char* module_name,
                                                       CorvaneError* error);
/* A read dataset on the database, owned by the caller, with the component name `name`.
 * `transaction` runs its queries (null: the database's default transaction). read_only is
 * accepted for the interface's sake: every dataset of this helper is read-only. */
typedef CorvaneDataSet* (*FBCreateDataSetForRead2Proc)(CorvaneDatabase* database, int32_t read_only,
                                                       CorvaneTransaction* transaction,
                                                       const char* module_name, const char* name,
                                                       CorvaneError* error);
/* The same without a name. */
typedef CorvaneDataSet* (*FBCreateDataSetForReadProc)(CorvaneDatabase* database, int32_t read_only,
                                                      CorvaneTransaction* transaction,
                                                      const char* module_name, CorvaneError* error);
/* The password of the database user. The text stays valid until the next call of this
 * function on the same thread. */
typedef const char* (*GetFBPasswordProc)(const char* module_name, CorvaneError* error);
/* The server's TCP port; 0 means the database file is opened directly (embedded engine). */
typedef int32_t (*GetFBPortProc)(const char* module_name, CorvaneError* error);

#ifdef __cplusplus
}
#endif

#endif /* KVR_CORVANE_API_H */
