#include "update/UpdateWorker.h"

#include "update/VendorClient.h"

void runUpdateWorker(UpdatePlatform& platform, UpdateWorkerWindow& window, UpdateGuard& guard,
                     std::atomic<int>& blocked)
{
    char text[replyBufferSize] = {};
    char url[replyBufferSize] = {};
    switch (fetchVendorNotice(platform, text, url, blocked)) {
    case NoticeResult::ready:
        window.showNotice(text, url);
        break;
    case NoticeResult::upgrade: {
        // Cancel leaves the upgrade page up for the rest of the run.
        if (!window.ask(upgradePromptText))
            break;
        const UpdateResult result = checkAndInstallUpdate(platform, guard, blocked);
        if (result == UpdateResult::started) {
            window.endProcess();
            break;
        }
        if (result == UpdateResult::current)
            window.showQuotes();
        const std::string message = updateResultText(result, UpdateCaller::startupPrompt, platform.deployment);
        if (!message.empty())
            window.tell(message.c_str());
        break;
    }
    case NoticeResult::none:
        break;
    }
}
