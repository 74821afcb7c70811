// Sharing modes between processes: an exclusive open keeps every other process out, and a shared
// open fails while another process holds the file exclusively. Emulated with open-file-description
// locks on two reserved bytes far above every range the engine locks; they go away when the
// descriptor is closed, also when the process dies.
#pragma once

namespace platform {

class FileSystem;

// 0 when the open may go ahead, EACCES when another process's open conflicts with it. Only shared
// locks are taken, so this works on descriptors opened for reading.
int AcquireShareMode(FileSystem& fileSystem, int fd, bool exclusive);

}  // namespace platform
