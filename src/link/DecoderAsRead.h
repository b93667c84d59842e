#pragma once

#include "link/KebProtocol.h"
#include "model/DecoderConfiguration.h"

// What a successful read transfer puts into a configuration, for Get and for the copies of the
// decoder that Send keeps (the backup) and compares with (the read-back check).

// Applies the read to config as Get does: the settings when settings is set, always the
// management code, the users below UserCount that came when users is set.
void ApplyDecoderRead(TDecoderConfiguration &config, const TMemoryRead &memory, bool settings, bool users);

// The decoder as a freshly started window shows it after a Get of everything: a configuration
// with the initial values, the identity of `identified` (type, series, revision) and the read
// applied. A series 1 cannot tell its type, so the identified configuration's type is kept.
TDecoderConfiguration DecoderAsRead(const TDecoderConfiguration &identified, const TMemoryRead &memory,
                                    bool users);
