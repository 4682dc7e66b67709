#pragma once
// Port number -> device path.
//
// When the program folder holds a folder "Ports", its entries COM<n> (usually
// symbolic links to a device or a pseudo-terminal) are the whole map: port n is
// <folder>/Ports/COM<n>, whether or not that entry exists. Without that folder
// the default map applies: COM1-32 = /dev/ttyS0-31, COM33-64 = /dev/ttyUSB0-31,
// COM65-96 = /dev/ttyACM0-31. Ports are numbered 1 to 255.
#include <string>

namespace vos {

inline constexpr int kMaxPortNumber = 255;

// One family of device nodes standing for a range of port numbers.
struct PortRange {
    int firstPort;
    int lastPort;
    const char* prefix;  // the node of firstPort is <prefix>0
};

// The default map, used when the program folder has no Ports folder.
inline constexpr PortRange kDefaultPortMap[] = {
    {1, 32, "/dev/ttyS"},
    {33, 64, "/dev/ttyUSB"},
    {65, 96, "/dev/ttyACM"},
};

// The device path of port `n`, or "" when the number names no device.
// `programFolder` is the folder of the executable (a trailing "/" is optional).
std::string devicePathForPort(const std::string& programFolder, int n);

// The default map alone (no Ports folder): "" when n names no device.
std::string defaultDevicePath(int n);

// What stands behind a device path, to tell adapters apart: the target of
// the link when the path is one (as written in the link), and the device it
// finally leads to ("" when that does not exist now).
struct DeviceTrail {
    std::string path;
    std::string linkTarget;
    std::string resolved;
};
DeviceTrail deviceTrail(const std::string& path);

}  // namespace vos
