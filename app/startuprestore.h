#pragma once

namespace vinary
{

class Cellar;

// After a start whose preparation or connection failed: when "vinary.mdb" is missing or fails its
// integrity check, nobody holds it, and the backup folder has a sound dated copy, asks through the
// message box whether to restore the newest one (naming its date) and puts it in place. A damaged
// file is kept beside it. Answers true when the copy is in place and the start can be run again.
bool offerStartupRestore(Cellar &cellar);

} // namespace vinary
