// What a cached canvas layer was drawn for: the painter's key bytes. Shared by the canvas
// backends so they agree exactly on when a layer can be reused.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

struct LayerKey {
    std::vector<unsigned char> bytes;
    bool valid = false; // false until a redraw has finished, and again while one runs
};

inline bool layerKeyMatches(const LayerKey& k, const void* key, std::size_t keyBytes) {
    return k.valid && k.bytes.size() == keyBytes &&
           (keyBytes == 0 || std::memcmp(k.bytes.data(), key, keyBytes) == 0);
}

inline void storeLayerKey(LayerKey& k, const void* key, std::size_t keyBytes) {
    const auto* bytes = static_cast<const unsigned char*>(key);
    k.bytes.assign(bytes, bytes + keyBytes);
    k.valid = true;
}
