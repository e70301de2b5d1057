// Announcements of preference changes to the windows that follow them.
#include "core/preference_changes.h"

#include <QPointer>
#include <vector>

namespace {

struct Follower {
    QPointer<QObject>               context;
    std::function<void(PrefAspect)> follow;
};

std::vector<Follower>& Followers() {
    static std::vector<Follower> followers;
    return followers;
}

} // namespace

void AnnouncePreferenceChange(PrefAspect aspect) {
    std::vector<Follower>& followers = Followers();
    std::erase_if(followers, [](const Follower& f) { return f.context.isNull(); });
    // A follower may open a window that starts following: call the ones there now, from a copy.
    const std::vector<Follower> now = followers;
    for (const Follower& f : now)
        if (!f.context.isNull()) f.follow(aspect);
}

void FollowPreferences(QObject* context, std::function<void(PrefAspect)> follow) {
    Followers().push_back({context, std::move(follow)});
}
