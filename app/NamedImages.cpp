#include "app/NamedImages.h"

#include <algorithm>

namespace app {

void NamedImages::beforeNaming(const std::string& directory) {
    if (!lock_)
        lock_ = std::make_unique<platform::DirectoryLock>(directory, [&] {
            if (waitNotice_)
                waitNotice_(directory);
        });
}

void NamedImages::named(const std::string& path) {
    const auto known = std::find_if(images_.begin(), images_.end(),
                                    [&](const auto& image) { return image.first == path; });
    if (known != images_.end())
        known->second = platform::identityOf(path);
    else
        images_.emplace_back(path, platform::identityOf(path));
}

std::vector<std::string> NamedImages::checkAndRelease() {
    std::vector<std::string> replaced;
    for (const auto& [path, identity] : images_) {
        // A name that lost its file counts too: the run did not make what it holds now.
        if (!identity || platform::identityOf(path) != identity)
            replaced.push_back(path);
    }
    images_.clear();
    lock_.reset();
    return replaced;
}

}  // namespace app
