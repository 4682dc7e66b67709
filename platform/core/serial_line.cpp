#include "platform/core/serial_line.h"

#include <cerrno>

namespace vos {

namespace {

struct SpeedRow {
    std::uint32_t baud;
    speed_t speed;
};

constexpr SpeedRow kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

struct SizeRow {
    std::uint8_t bits;
    tcflag_t flag;
};

constexpr SizeRow kSizes[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};

}  // namespace

void makeRawTermios(termios& t) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                        ICRNL | IXON | IXOFF | IXANY | INPCK | IUCLC | IMAXBEL);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

speed_t speedConstant(std::uint32_t baud) {
    for (const auto& row : kSpeeds)
        if (row.baud == baud) return row.speed;
    return B0;
}

std::uint32_t baudFromSpeed(speed_t speed) {
    for (const auto& row : kSpeeds)
        if (row.speed == speed) return row.baud;
    return 0;
}

int applyLineParams(const LineParams& params, termios& t) {
    const speed_t speed = speedConstant(params.baud);
    const SizeRow* size = nullptr;
    for (const auto& row : kSizes)
        if (row.bits == params.dataBits) size = &row;
    if (speed == B0 || !size) return EINVAL;

    makeRawTermios(t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= size->flag;
    switch (params.parity) {
    case LineParity::None: break;
    case LineParity::Odd: t.c_cflag |= PARENB | PARODD; break;
    case LineParity::Even: t.c_cflag |= PARENB; break;
    case LineParity::Mark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case LineParity::Space: t.c_cflag |= PARENB | CMSPAR; break;
    }
    if (params.stopBits >= 2) t.c_cflag |= CSTOPB;
    if (params.rtsCts) t.c_cflag |= CRTSCTS;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return 0;
}

LineParams lineParamsOf(const termios& t) {
    LineParams p;
    p.baud = baudFromSpeed(cfgetospeed(&t));
    p.dataBits = 8;
    for (const auto& row : kSizes)
        if ((t.c_cflag & CSIZE) == row.flag) p.dataBits = row.bits;
    if (!(t.c_cflag & PARENB)) p.parity = LineParity::None;
    else if (t.c_cflag & CMSPAR) p.parity = (t.c_cflag & PARODD) ? LineParity::Mark : LineParity::Space;
    else p.parity = (t.c_cflag & PARODD) ? LineParity::Odd : LineParity::Even;
    p.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    p.rtsCts = (t.c_cflag & CRTSCTS) != 0;
    return p;
}

}  // namespace vos
