// Classifies an image twice with one seed and prints each front; the two must be equal.
#include <tavorin/tavorin.h>

#include <cstdio>
#include <numeric>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    try {
        const tavorin::Image image = tavorin::ReadEnviImage(argv[1]);
        tavorin::ClassifyOptions options;
        options.clusters = 4;
        options.popSize = 8;
        options.generations = 3;
        options.seed = 1;
        const tavorin::ClassifyResult first = tavorin::Classify(image, options);
        const tavorin::ClassifyResult second = tavorin::Classify(image, options);
        for (const tavorin::FrontMember& m : first.front) {
            const long sum = std::accumulate(m.labels.begin(), m.labels.end(), 0L);
            std::printf("%.17g %.17g %ld\n", m.xbIndex, m.jm, sum);
        }
        bool same = first.front.size() == second.front.size() && !first.front.empty();
        for (std::size_t i = 0; same && i < first.front.size(); ++i)
            same = first.front[i].labels == second.front[i].labels &&
                   first.front[i].jm == second.front[i].jm &&
                   first.front[i].centres == second.front[i].centres;
        std::puts(same ? "same" : "different");
        return same ? 0 : 1;
    } catch (const tavorin::Error& error) {
        std::fprintf(stderr, "consumer: %s\n", error.what());
        return 1;
    }
}
