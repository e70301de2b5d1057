// Callbacks that follow an announcement for as long as the object they belong to lives: how windows follow
// a change they show without the one who changes it knowing which windows those are.
#pragma once

#include <QPointer>
#include <algorithm>
#include <functional>
#include <vector>

template <typename... Args> struct Followers {
    struct Follower {
        QPointer<QObject>            context;
        std::function<void(Args...)> follow;
    };
    std::vector<Follower> list;
};

template <typename... Args>
void AddFollower(Followers<Args...>& followers, QObject* context, std::function<void(Args...)> follow) {
    followers.list.push_back({context, std::move(follow)});
}

template <typename... Args> void AnnounceToFollowers(Followers<Args...>& followers, Args... args) {
    std::erase_if(followers.list, [](const auto& f) { return f.context.isNull(); });
    // A follower may open a window that starts following: call the ones there now, from a copy.
    const auto now = followers.list;
    for (const auto& f : now)
        if (!f.context.isNull()) f.follow(args...);
}
