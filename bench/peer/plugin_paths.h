// Where the benchmark finds its plug-ins and the peer's settings when not told.
#pragma once

#include <string>

namespace peer {

// Tolvane-Q.so of the build tree this program was built in (build/native/Tolvane-Q.so in
// the usual layout): it sits next to the executable.
std::string defaultTolvanePath();
// The shared folder next to the repository holds the peer's settings.
std::string defaultLspSettingsPath();
// LSP's "Parametric Equalizer x16 Stereo" from Debian's lsp-plugins-vst (asked of dpkg),
// else from the usual VST folders; empty when it is nowhere.
std::string findLspEqualizer();

} // namespace peer
