// Natively the profile functions are the portable store.
#include "profile/ProfileStore.h"

namespace heliotab {

ProfileBackend& DefaultProfileBackend() {
    static ProfileStore store;
    return store;
}

} // namespace heliotab
