#include "core/NearestName.h"

#include <algorithm>
#include <vector>

namespace {

// How many single-character edits turn a into b.
int editDistance(const QString &a, const QString &b)
{
    std::vector<int> previous(std::size_t(b.size()) + 1), current(previous.size());
    for (std::size_t j = 0; j < previous.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int replace = previous[std::size_t(j - 1)] + (a.at(i - 1) == b.at(j - 1) ? 0 : 1);
            current[std::size_t(j)] =
                std::min({previous[std::size_t(j)] + 1, current[std::size_t(j - 1)] + 1, replace});
        }
        std::swap(previous, current);
    }
    return previous.back();
}

} // namespace

QString nearestName(const QString &word, const QStringList &candidates, int maxEdits)
{
    QString nearest;
    int best = maxEdits;
    for (const QString &candidate : candidates) {
        const int distance = editDistance(word.toLower(), candidate.toLower());
        if (distance == 0 && word == candidate)
            return {};
        if (distance < best) {
            best = distance;
            nearest = candidate;
        }
    }
    return nearest;
}
