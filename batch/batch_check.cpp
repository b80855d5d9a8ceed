#include "batch/batch_check.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "batch/batch_run.h"
#include "batch/choices.h"
#include "batch/file_workers.h"
#include "batch/run_problems.h"
#include "platform/file_access.h"
#include "platform/heap_release.h"
#include "platform/path_scan.h"
#include "platform/text_steps.h"
#include "platform/worker_pool.h"

namespace batch {

using platform::ansi;

bool checkInOrder(const std::vector<AnsiText>& files, int jobs, const CheckOne& check,
                  std::stop_token stop, const std::function<bool()>& keepGoing,
                  const std::function<void(std::size_t, engine::ConversionCheck)>& checked) {
    std::vector<std::int64_t> sizes(files.size());
    std::int64_t largest = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        sizes[i] = std::max<std::int64_t>(platform::fileLength(files[i]), 0);
        largest = std::max(largest, sizes[i]);
    }
    const std::int64_t budget = memoryBudget(largest);
    platform::giveLargeBuffersBack();
    // The caller's stop, or a keepGoing that answered false, gives up the files in hand.
    std::stop_source giveUp;
    const std::stop_callback relay(stop, [&giveUp] { giveUp.request_stop(); });
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::optional<engine::ConversionCheck>> results(files.size());
    std::int64_t bytesInHand = 0;
    // After what its tasks use, so that its workers are joined before that goes.
    platform::WorkerPool pool(jobs);
    const engine::WorkControl control{&pool, giveUp.get_token(), nullptr};
    std::size_t started = 0;
    std::size_t handed = 0;
    while (handed < files.size()) {
        if (giveUp.stop_requested() || (keepGoing && !keepGoing()))
            break;
        std::unique_lock lock(mutex);
        while (started < files.size() && started - handed < 2 * std::size_t(pool.size()) &&
               (started == handed || bytesInHand + sizes[started] <= budget)) {
            bytesInHand += sizes[started];
            pool.submit([&, control, i = started] {
                engine::ConversionCheck result;
                result.status = {engine::problems::Abandoned};
                if (!ranWithinMemory([&] {
                        if (!control.abandoned())
                            result = check(files[i], control);
                    })) {
                    result = engine::ConversionCheck{};
                    result.status = {batch::problems::OutOfMemory};
                }
                const std::lock_guard done(mutex);
                results[i] = std::move(result);
                bytesInHand -= sizes[i];
                finished.notify_all();
            });
            ++started;
        }
        // Woken by a finished file; keepGoing is asked again within the timeout.
        finished.wait_for(lock, std::chrono::milliseconds(25),
                          [&] { return results[handed].has_value(); });
        while (handed < started && results[handed] && !giveUp.stop_requested()) {
            engine::ConversionCheck result = std::move(*results[handed]);
            lock.unlock();
            checked(handed, std::move(result));
            lock.lock();
            ++handed;
        }
    }
    giveUp.request_stop();
    return handed == files.size();
}

std::vector<AnsiText> checkedPaths(const FolderScanResult& list) {
    std::vector<AnsiText> paths = list.unrepresentable;
    paths.insert(paths.end(), list.files.begin(), list.files.end());
    return paths;
}

bool checkList(const FolderScanResult& list, const RunOptions& options, std::stop_token stop,
               const PumpEvents& pump, const std::function<void(std::size_t, FileCheck)>& checked) {
    const std::size_t names = list.unrepresentable.size();
    for (std::size_t i = 0; i < names; ++i) {
        FileCheck row{list.unrepresentable[i], {}};
        row.check.status = {batch::problems::NameNotRepresentable};
        checked(i, std::move(row));
    }
    const engine::ScriptStep script = options.scriptForNextFile();
    return checkInOrder(
        list.files, options.jobs,
        [&](const AnsiText& path, const engine::WorkControl& control) {
            return engine::checkConversion(path, options.input, options.output, script,
                                           options.detection, control, options.write);
        },
        stop, pump,
        [&](std::size_t index, engine::ConversionCheck check) {
            checked(names + index, FileCheck{list.files[index], std::move(check)});
        });
}

AnsiText nameInList(const AnsiText& treeRoot, const AnsiText& path) {
    return !treeRoot.empty() && path.starts_with(treeRoot) ? path.substr(treeRoot.size())
                                                           : platform::fileNameOfPath(path);
}

AnsiText encodingCaption(engine::TextEncoding encoding) {
    switch (encoding) {
    case engine::TextEncoding::Big5:
        return "Big5";
    case engine::TextEncoding::Big5Hkscs:
        return "Big5-HKSCS";
    default:
        break;
    }
    const Choice* choice = findChoice(ChoiceGroup::Output, static_cast<int>(encoding));
    return choice ? ansi(choice->caption) : AnsiText("-");
}

AnsiText checkFinding(const engine::ConversionCheck& check) {
    if (check.complete())
        return ansi("完整");
    AnsiText finding = platform::describeProblem(check.status);
    if (!check.first)
        return finding;
    const engine::CharacterPlace& first = *check.first;
    const auto character = platform::ansiFromUtf8(first.utf8);
    const bool shown = !first.utf8.empty() && character &&
                       !platform::isControlByte(static_cast<unsigned char>((*character)[0]));
    finding += ansi("，共 ") + std::to_string(check.affected) + ansi(" 个字符，第一个在第 ") +
               std::to_string(first.line) + ansi(" 行第 ") + std::to_string(first.column) +
               ansi(" 列：") + (shown ? *character : platform::hexBytes(first.bytes, "\\x"));
    return finding;
}

void checkThenRun(const ButtonWindow& window, BatchSession& session, BatchButton button,
                  CheckReview& review) {
    if (session.handlerActive())
        return;
    BatchSession::Handler handler(session, button);
    const FolderScanResult list = filesOfButton(window, button, true);
    if (list.files.empty() && list.unrepresentable.empty())
        return;
    // The choices as the check starts; the run that follows reads them afresh, as any run does.
    if (review.reviewChecks(list, window.panel.runOptions(), session, window.pumpEvents))
        runFromButton(window, session, handler, button, list);
}

} // namespace batch
