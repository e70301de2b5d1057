// Announcements of preference changes to the windows that follow them.
#include "core/preference_changes.h"

#include "core/followers.h"

namespace {

Followers<PrefAspect>& PreferenceFollowers() {
    static Followers<PrefAspect> followers;
    return followers;
}

} // namespace

void AnnouncePreferenceChange(PrefAspect aspect) {
    AnnounceToFollowers(PreferenceFollowers(), aspect);
}

void FollowPreferences(QObject* context, std::function<void(PrefAspect)> follow) {
    AddFollower(PreferenceFollowers(), context, std::move(follow));
}
