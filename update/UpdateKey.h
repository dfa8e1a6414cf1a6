// The publisher's key a downloaded client must be signed with before it may
// replace this one: an ECDSA P-256 public key, built into each executable
// from the PEM file named by the build option VEXA_UPDATE_KEY (the
// definition is generated per executable; see README, "Signed updates").
#pragma once

struct UpdateKey {
    unsigned char point[64];  // the public point: X then Y, each 32 bytes big-endian
};

// The key this executable was built with; nullptr when it was built without
// one (a downloaded client is then checked as an executable only).
const UpdateKey* BuiltInUpdateKey();
