#pragma once
// The simulator's end of the serial line: a pseudo-terminal pair whose slave
// is reached by the panel through <folder>/Ports/COM<n>.
//
// Ownership: the object owns the master descriptor and the link; the
// destructor removes the link (only if it still points to this slave) and
// closes the master. Only the pseudo-terminal multiplexer is opened; no
// other device is ever touched.

#include <string>

namespace vos::sim {

class PtyLink {
public:
    // Creates the pair, makes the line raw (no echo, no line editing, no
    // character translation, no flow control) and creates the link,
    // creating the Ports folder if needed. An existing Ports/COM<n> is
    // replaced only when it is a link to another pseudo-terminal (a previous
    // run's); anything else is left alone and reported. Throws
    // std::runtime_error with the reason.
    PtyLink(const std::string& folder, int port);
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    int master() const { return master_; }
    const std::string& slavePath() const { return slave_; }
    const std::string& linkPath() const { return link_; }

private:
    int master_ = -1;
    std::string slave_;
    std::string link_;
};

}  // namespace vos::sim
