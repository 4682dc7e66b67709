#pragma once
// Where the running program was started from, as opposed to where its file
// lies.
//
// A program folder may hold a symbolic link to an executable that lies
// elsewhere, read-only and shared (each operator's folder laid out by the
// package's launcher links the one installed program). The program's folder
// is then the folder of the link: its configuration file and its Ports folder
// are there, not beside the shared file. The kernel keeps the path given to
// exec (the auxiliary vector's AT_EXECFN) without resolving links, whereas
// /proc/self/exe, and so Qt's application folder, is the resolved file.
#include <string>

namespace vos {

// The folder, with a trailing '/', of the path this process was started by,
// when that path still names the running executable (the same file once
// links are followed). Empty when it does not: started through the dynamic
// loader, the path removed or replaced since, no such record. The folder's
// own path has its links resolved; only the last step, the program file, is
// taken as given. A relative start path is taken from the current working
// folder, so ask before the process changes it (the program asks once, at
// start-up).
std::string startedFromFolder();

}  // namespace vos
