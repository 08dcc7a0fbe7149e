#include "bacnet/site_survey.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "bacnet/configured_device.h"

namespace vaskiro::bacnet {

namespace {

using Clock = Client::Clock;
using std::chrono::milliseconds;

// Each device's way through the survey.
enum class Stage { Waiting, Asked, Reading, Done };

struct Entry {
    Stage stage = Stage::Waiting;
    ConfiguredDevice asked;
    Clock::time_point askedAt;
    Endpoint from;                   // where its I-Am came from
    std::vector<std::size_t> reads;  // the client's reads of its texts, started so far
    std::optional<CheckResult> result;
};

// One survey: the client, the devices, and what is awaiting an answer.
class Survey {
public:
    Survey(const std::vector<core::ConfigurationImage>& images, const SurveyOptions& options, Client& client,
           SurveyResult& out)
        : m_images(images), m_options(options), m_client(client), m_out(out), m_entries(images.size()) {}

    // Takes each image's configured device; one that has none is judged at once.
    void prepare() {
        for (std::size_t i = 0; i < m_images.size(); ++i) {
            auto asked = configuredDevice(m_images[i]);
            if (!asked) {
                finish(i, {CheckOutcome::BadConfiguration, asked.error()});
                continue;
            }
            m_entries[i].asked = *asked;
            m_byInstance.emplace(asked->instance, i);
        }
    }

    bool allDone() const { return m_done == m_entries.size(); }

    // Takes what has come, judges what has ended, and (with `mayStart`)
    // starts reads and Who-Is while fewer than `parallel` await their answer.
    void step(bool mayStart, milliseconds giveUp) {
        for (; m_seenUpTo < m_client.seen().size(); ++m_seenUpTo) {
            const SeenDevice& seen = m_client.seen()[m_seenUpTo];
            m_heard[seen.iAm.instance].push_back(seen.address);
            auto [first, last] = m_byInstance.equal_range(seen.iAm.instance);
            for (auto it = first; it != last; ++it) answered(m_entries[it->second], seen.address);
        }
        const auto now = Clock::now();
        std::erase_if(m_active, [&](std::size_t i) {
            Entry& entry = m_entries[i];
            if (entry.stage == Stage::Asked && now >= entry.askedAt + giveUp) {
                finish(i, noAnswer(entry.asked.instance, entry.asked.at));
                return true;
            }
            if (entry.stage != Stage::Reading || entry.reads.size() < publishedTexts().size()) return false;
            for (std::size_t read : entry.reads)
                if (!m_client.finished(read)) return false;
            judge(i);
            return true;
        });
        if (!mayStart) return;
        std::size_t busy = inFlight();
        const std::size_t parallel = std::max<std::size_t>(m_options.parallel, 1);
        for (std::size_t i : m_active) {
            Entry& entry = m_entries[i];
            while (entry.stage == Stage::Reading && entry.reads.size() < publishedTexts().size() && busy < parallel) {
                const std::uint32_t property = publishedTexts()[entry.reads.size()]->published->property;
                entry.reads.push_back(
                    m_client.startRead(entry.from, {kDeviceObjectType, entry.asked.instance}, property));
                ++busy;
            }
        }
        while (busy < parallel && m_next < m_entries.size()) {
            const std::size_t i = m_next++;
            Entry& entry = m_entries[i];
            if (entry.stage == Stage::Done) continue;
            const WhoIs whoIs{entry.asked.instance, entry.asked.instance};
            if (auto sent = m_client.sendWhoIs(entry.asked.at, whoIs); !sent) {
                finish(i, {CheckOutcome::Failed, sent.error()});
                continue;
            }
            entry.stage = Stage::Asked;
            entry.askedAt = Clock::now();
            m_active.push_back(i);
            ++busy;
            // Heard before it was asked (another image with its instance): no need to wait for it again.
            if (auto heard = m_heard.find(entry.asked.instance); heard != m_heard.end())
                for (const Endpoint& from : heard->second) answered(entry, from);
        }
        m_out.peakInFlight = std::max(m_out.peakInFlight, busy);
    }

    // Reads that have ended since `before` was taken, or I-Am that came: something for step() to do.
    std::size_t progressMark() const {
        std::size_t mark = m_client.seen().size();
        for (std::size_t i : m_active)
            for (std::size_t read : m_entries[i].reads) mark += m_client.finished(read) ? 1 : 0;
        return mark + m_done;
    }

    // What the broadcasts heard decides duplicates and strangers; what is
    // still being read is judged with what came.
    void conclude() {
        for (std::size_t i : m_active)
            if (Entry& entry = m_entries[i];
                entry.stage == Stage::Reading && entry.reads.size() == publishedTexts().size())
                judge(i);
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            const Entry& entry = m_entries[i];
            if (entry.result && entry.result->outcome == CheckOutcome::BadConfiguration) continue;
            auto heard = m_heard.find(entry.asked.instance);
            if (heard == m_heard.end()) continue;
            if (heard->second.size() > 1) {
                m_entries[i].result = duplicateInstance(entry.asked.instance, heard->second);
            } else if (entry.result && entry.result->outcome == CheckOutcome::NoAnswer) {
                m_entries[i].result->summary += "\nInstance " + std::to_string(entry.asked.instance) +
                                                " answers from " + formatEndpoint(heard->second.front()) + ".";
            }
        }
        for (const SeenDevice& seen : m_client.seen())
            if (!m_byInstance.count(seen.iAm.instance)) m_out.strangers.push_back(seen);
        std::sort(m_out.strangers.begin(), m_out.strangers.end(), [](const SeenDevice& a, const SeenDevice& b) {
            return std::tie(a.iAm.instance, a.address) < std::tie(b.iAm.instance, b.address);
        });
        for (std::size_t i = 0; i < m_entries.size(); ++i) m_out.devices.push_back(std::move(m_entries[i].result));
    }

    // One broadcast Who-Is of every instance per port the images use, to the subnet of its first device.
    void broadcastWhoIs() {
        std::map<std::uint16_t, Endpoint> ports;
        for (const auto& [instance, i] : m_byInstance) ports.emplace(m_entries[i].asked.at.port, m_entries[i].asked.at);
        for (const auto& [port, first] : ports)
            (void)m_client.sendWhoIs(isBroadcast(first) ? first : broadcastFor(first), WhoIs{});  // as if lost
    }

private:
    void answered(Entry& entry, const Endpoint& from) {
        if (entry.stage != Stage::Asked) return;
        entry.stage = Stage::Reading;
        entry.from = from;
    }

    std::size_t inFlight() const {
        std::size_t busy = 0;
        for (std::size_t i : m_active) {
            const Entry& entry = m_entries[i];
            if (entry.stage == Stage::Asked) ++busy;
            for (std::size_t read : entry.reads) busy += m_client.finished(read) ? 0 : 1;
        }
        return busy;
    }

    void judge(std::size_t i) {
        std::vector<PropertyResult> texts;
        for (std::size_t read : m_entries[i].reads) texts.push_back(m_client.result(read));
        finish(i, judgeAnswer(m_images[i], m_entries[i].from, texts, {}));
    }

    void finish(std::size_t i, CheckResult result) {
        m_entries[i].stage = Stage::Done;
        m_entries[i].result = std::move(result);
        ++m_done;
        if (m_options.progress) m_options.progress(m_done, m_entries.size());
    }

    const std::vector<core::ConfigurationImage>& m_images;
    const SurveyOptions& m_options;
    Client& m_client;
    SurveyResult& m_out;
    std::vector<Entry> m_entries;
    std::multimap<std::uint32_t, std::size_t> m_byInstance;
    std::map<std::uint32_t, std::vector<Endpoint>> m_heard;  // every address each instance answered from
    std::vector<std::size_t> m_active;                       // asked, or being read
    std::size_t m_next = 0;                                  // the next device to ask
    std::size_t m_seenUpTo = 0;
    std::size_t m_done = 0;
};

// The port most images use: where the devices that broadcast their I-Am send it.
std::uint16_t commonPort(const std::vector<core::ConfigurationImage>& images) {
    std::map<std::uint16_t, std::size_t> count;
    for (const core::ConfigurationImage& image : images)
        if (auto asked = configuredDevice(image)) ++count[asked->at.port];
    auto most =
        std::max_element(count.begin(), count.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    return most == count.end() ? core::kDefaultBacnetPort : most->first;
}

}  // namespace

SurveyResult surveyNetwork(const std::vector<core::ConfigurationImage>& images, const SurveyOptions& options) {
    SurveyResult out;
    // A device's Who-Is and its reads each get half the timeout: four tries each.
    const milliseconds interval = std::clamp(options.timeout / 8, milliseconds(25), milliseconds(3000));
    const milliseconds giveUp = interval * (Client::kRetries + 1);
    const milliseconds slice(20);  // how soon a device's silence is noticed, and a stop
    std::string warning;
    auto opened = Client::open(commonPort(images), warning);
    if (!opened) {
        out.failure = opened.error();
        return out;
    }
    out.note = warning;
    Client& client = **opened;
    client.setRetryInterval(interval);
    client.onLinkNote([&out](const std::string& note) { out.note += (out.note.empty() ? "" : "\n") + note; });
    if (options.bbmd)
        if (auto registered = client.registerForeignDevice(*options.bbmd, Clock::now() + options.timeout);
            !registered) {
            out.failure = registered.error();
            out.unregistered = true;
            return out;
        }
    const auto deadline = Clock::now() + options.timeout;
    const auto stopped = [&] { return options.stop && options.stop->load(); };
    Survey survey(images, options, client, out);
    survey.prepare();
    while (!stopped() && !survey.allDone() && Clock::now() < deadline) {
        survey.step(true, giveUp);
        const std::size_t mark = survey.progressMark();
        client.wait(std::min(deadline, Clock::now() + slice), [&] { return survey.progressMark() != mark; });
    }
    if (!stopped()) {
        survey.broadcastWhoIs();
        const auto windowEnds = Clock::now() + std::min<milliseconds>(std::chrono::seconds(1), options.timeout);
        while (!stopped() && Clock::now() < windowEnds) {
            survey.step(false, giveUp);
            client.wait(std::min(windowEnds, Clock::now() + slice), [] { return false; });
        }
    }
    survey.step(false, giveUp);
    survey.conclude();
    client.endRegistration();  // its notes while `out` is this one
    return out;
}

}  // namespace vaskiro::bacnet
