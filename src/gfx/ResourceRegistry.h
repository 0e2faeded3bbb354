// The bookkeeping the texture and shader managers share: one entry per key,
// the user records registered with it (and the key each user was registered
// under), and the state changes with their log lines. The managers hold the
// lock around every call and do the loading and the GL work themselves.
#pragma once
#include "gfx/ResourceLoader.h"

#include <SDL.h>

#include <map>
#include <memory>
#include <set>
#include <string>

template <typename Record, typename Source>
struct ResourceEntry {
    ResourceState state = ResourceState::Created;
    std::unique_ptr<Record> resource;  // what the loader fills; null when unloaded
    std::set<Record*> users;           // address order: the order users are notified in
    Source source;                     // the manager's own copies of the requested paths
};

template <typename Record, typename Source>
class ResourceRegistry {
public:
    using Entry = ResourceEntry<Record, Source>;

    // `kind` names the resource in log lines ("Texture", "Shader").
    explicit ResourceRegistry(const char* kind) : kind(kind) {}

    // Registers `user` under `key` and writes the current record into it.
    // Returns the entry when a load must be submitted for it (after which the
    // caller calls startLoad), null otherwise.
    Entry* request(Record* user, const std::string& key, const Source& source, const Record& dummy) {
        auto registered = registrations.find(user);
        if (registered != registrations.end() && registered->second != key) release(user);
        Entry* load = nullptr;
        auto it = entries.find(key);
        if (it == entries.end()) {
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Loading New %s Into Manager: %s", kind, key.c_str());
            it = entries.emplace(key, Entry()).first;
            it->second.source = source;
            addUser(it, user);
            *user = dummy;
            return &it->second;
        }
        Entry& entry = it->second;
        switch (entry.state) {
        case ResourceState::Created:
        case ResourceState::Unloaded:
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Reloading %s Into Manager: %s", kind, key.c_str());
            *user = dummy;
            load = &entry;
            break;
        case ResourceState::Loading:
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Requested %s Loading Already In Progress: %s", kind, key.c_str());
            *user = dummy;
            break;
        case ResourceState::Loaded:
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Requested %s Already Loaded: %s", kind, key.c_str());
            *user = *entry.resource;
            break;
        }
        addUser(it, user);
        return load;
    }

    // A fresh record for the loader to fill.
    Record* startLoad(Entry& entry) {
        entry.state = ResourceState::Loading;
        entry.resource = std::make_unique<Record>();
        return entry.resource.get();
    }

    // Unregisters `user` from the entry it was registered with, whatever the
    // record holds now; a record that is not registered changes nothing.
    void release(Record* user) {
        auto registered = registrations.find(user);
        if (registered == registrations.end()) return;
        auto it = entries.find(registered->second);
        if (it != entries.end()) {
            it->second.users.erase(user);
            logUserCount(it);
        }
        registrations.erase(registered);
    }

    // A load finished. Null when `loaded` is not the record an entry of `key` waits for.
    Entry* complete(const std::string& key, const Record* loaded, bool success, const Record& dummy) {
        auto it = entries.find(key);
        if (it == entries.end() || it->second.resource.get() != loaded) return nullptr;
        Entry& entry = it->second;
        if (success) {
            entry.state = ResourceState::Loaded;
        } else {
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "%s Marked As Unloaded Due To Loading Failure: %s", kind,
                        key.c_str());
            entry.resource.reset();
            entry.state = ResourceState::Unloaded;
        }
        notify(entry, dummy);
        return &entry;
    }

    // The GL objects are already freed by the caller; only the record goes.
    void unload(Entry& entry) {
        entry.resource.reset();
        entry.state = ResourceState::Unloaded;
    }

    void notify(Entry& entry, const Record& dummy) {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Notifying %d Users for Loaded %s", static_cast<int>(entry.users.size()),
                    kind);
        for (Record* user : entry.users)
            *user = entry.state == ResourceState::Loaded ? *entry.resource : dummy;
    }

    // Every loaded entry without users, in key order.
    template <typename Visit>
    void forEachUnused(Visit visit) {
        for (auto& [key, entry] : entries)
            if (entry.state == ResourceState::Loaded && entry.users.empty()) visit(key, entry);
    }

    // Logs and hands each loaded entry to `freeResource`, then forgets everything.
    // An entry that never loaded (or lost its load) holds nothing to free, and its
    // failure was told when it happened.
    template <typename Free>
    void clear(Free freeResource) {
        for (auto& [key, entry] : entries) {
            if (entry.state != ResourceState::Loaded) continue;
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Destroying %s: %s", kind, key.c_str());
            freeResource(*entry.resource);
        }
        entries.clear();
        registrations.clear();
    }

    const Entry* find(const std::string& key) const {
        auto it = entries.find(key);
        return it == entries.end() ? nullptr : &it->second;
    }

    std::map<std::string, Entry> entries;

private:
    using Iterator = typename std::map<std::string, Entry>::iterator;

    void addUser(Iterator it, Record* user) {
        it->second.users.insert(user);
        registrations[user] = it->first;
        logUserCount(it);
    }

    void logUserCount(Iterator it) {
        SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "%s [%s] now has %d Users.", kind, it->first.c_str(),
                    static_cast<int>(it->second.users.size()));
    }

    const char* kind;
    // The key every live user was registered under, so that a release finds its
    // entry even while the record still holds the dummy.
    std::map<Record*, std::string> registrations;
};
