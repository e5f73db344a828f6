// The library's entry points: an image read as the commands read it, and a classification
// that returns the front instead of writing files.
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "driver/AssignLabels.h"
#include "driver/ClassificationSearch.h"
#include "driver/InputStage.h"
#include "driver/ParameterCheck.h"
#include "evolution/RunState.h"
#include "image/CEnviImage.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "platform/ThreadCount.h"
#include "platform/UserError.h"
#include "platform/UserInterface.h"
#include "tavorin/tavorin.h"

namespace tavorin {
namespace {

// Hands each step of a progress window to the caller's callback; messages are not shown, since
// a library has no one to show them to (refusals arrive as exceptions).
class CallbackUserInterface : public platform::IUserInterface {
  public:
    explicit CallbackUserInterface(const ClassifyOptions& options) : options_(options) {}

    void ShowMessage(const std::string&, platform::MessageKind) override {}

    std::unique_ptr<platform::IProgressView> OpenProgress(const std::string&) override {
        return std::make_unique<View>(options_);
    }

  private:
    class View : public platform::IProgressView {
      public:
        explicit View(const ClassifyOptions& options) : options_(options) {}
        void Update(const platform::ProgressState& state) override {
            if (!options_.progress) return;
            options_.progress(state.stageText,
                              platform::ProgressPercent(state.lower, state.upper, state.position));
        }

      private:
        const ClassifyOptions& options_;
    };

    const ClassifyOptions& options_;
};

RunParameters ParametersOf(const ClassifyOptions& options) {
    RunParameters parameters;
    parameters.inputPath.clear();
    parameters.outputPath.clear();
    parameters.clusterNumber = options.clusters;
    parameters.popSize = options.popSize;
    parameters.iGenerations = options.generations;
    parameters.FLS = options.fls;
    parameters.GLS_delta = options.glsDelta;
    return parameters;
}

void CheckGeometry(const Image& image) {
    if (image.lines < 1 || image.samples < 1 || image.bands < 1) {
        throw UserError("The image needs at least one line, one sample and one band, not " +
                        platform::formatInt(image.lines) + " x " +
                        platform::formatInt(image.samples) + " x " +
                        platform::formatInt(image.bands) + ".");
    }
    const auto expected = static_cast<unsigned long long>(image.lines) *
                          static_cast<unsigned long long>(image.samples) *
                          static_cast<unsigned long long>(image.bands);
    if (image.bandData.size() != expected) {
        throw UserError("The image holds " +
                        platform::formatInt(static_cast<long long>(image.bandData.size())) +
                        " samples, but " + platform::formatInt(image.lines) + " lines x " +
                        platform::formatInt(image.samples) + " samples x " +
                        platform::formatInt(image.bands) + " bands need " +
                        platform::formatInt(static_cast<long long>(expected)) + ".");
    }
}

}  // namespace

std::string Version() { return TAVORIN_VERSION; }

Image ReadEnviImage(const std::string& rawPath) { return ReadImage(rawPath); }

Image ReadImage(const std::string& path) {
    InputImage input = ReadInputImage(path);
    Image image;
    image.lines = input.description.lines;
    image.samples = input.description.samples;
    image.bands = input.description.bands;
    image.dataType = input.description.dataType;
    image.georeferenceEntries = std::move(input.description.georeferenceEntries);
    image.bandData = input.bandData.ToDoubles();
    image.bandNodata = std::move(input.description.bandNodata);
    return image;
}

ClassifyResult Classify(const Image& image, const ClassifyOptions& options) {
    try {
        const RunParameters parameters = ParametersOf(options);
        CheckRunParameters(parameters);
        if (options.threads < 1 || options.threads > platform::kMaximumThreads) {
            throw UserError("The thread count must be from 1 to " +
                            platform::formatInt(platform::kMaximumThreads) + ", not " +
                            platform::formatInt(options.threads) + ".");
        }
        CheckGeometry(image);

        ClassifyResult result;
        result.seed =
            options.seed ? *options.seed : static_cast<std::uint32_t>(platform::timeSeconds());
        CallbackUserInterface userInterface(options);
        RunState run(MakeRunGlobals(parameters, image.lines, image.samples, image.bands,
                                    image.bandData, image.bandNodata),
                     result.seed, options.threads, userInterface);
        if (run.globals.leftOut) result.leftOutPixels = run.globals.leftOut->count();
        run.writeRunLogs = false;

        CEnviImage description;
        description.lines = image.lines;
        description.samples = image.samples;
        description.bands = image.bands;
        description.dataType = image.dataType;
        description.georeferenceEntries = image.georeferenceEntries;
        const std::vector<CSolution> front = RunClassificationSearch(run, description);

        const auto pixels = static_cast<std::size_t>(run.globals.imagePixelCount());
        for (const CSolution& member : front) {
            FrontMember out;
            out.labels.assign(pixels, 0);
            AssignLabels(run.globals, run.evaluator, member, out.labels.data());
            out.xbIndex = member.xbIndex;
            out.jm = member.jm;
            out.centres = member.centres;
            result.front.push_back(std::move(out));
        }
        return result;
    } catch (const std::bad_alloc&) {
        throw Error("Not enough memory for this image and these parameters.");
    }
}

}  // namespace tavorin
