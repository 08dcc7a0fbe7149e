// The client as a foreign device of a BBMD (ASHRAE 135 Annex J.5): its
// registration, renewed before the time-to-live ends, its broadcasts
// distributed by the BBMD, and the registration deleted at the end.
#include "bacnet/bvll.h"
#include "bacnet/client.h"

namespace vaskiro::bacnet {

namespace {

std::string theBbmd(const ForeignDevice& foreign) { return "the BBMD at " + formatEndpoint(foreign.bbmd); }

}  // namespace

core::Result<void> Client::transmit(const Message& message, const Endpoint& to, bool broadcast) {
    if (broadcast && m_registration)
        return m_requests->sendTo(encodeLink(DistributeBroadcastToNetwork{encodeNpdu(message)}),
                                  m_registration->foreign.bbmd);
    return m_requests->sendTo(encode(message, broadcast), to);
}

void Client::sendRegistration() {
    Registration& registration = *m_registration;
    const auto ttl = static_cast<std::uint16_t>(registration.foreign.ttl.count());
    (void)m_requests->sendTo(encodeLink(RegisterForeignDevice{ttl}), registration.foreign.bbmd);
    registration.sentAt = Clock::now();
    registration.awaiting = true;
}

core::Result<void> Client::registerForeignDevice(const ForeignDevice& foreign, Clock::time_point until) {
    const auto address = UdpSocket::sourceAddressToward(foreign.bbmd);
    if (!address) return core::Unexpected("No route to " + theBbmd(foreign) + ".");
    m_registration = Registration{foreign, {*address, m_requests->localEndpoint().port}};
    sendRegistration();
    wait(until, [&] { return !m_registration->awaiting; });
    if (m_registration->confirmed) return {};
    const bool refused = m_registration->refused;
    m_registration.reset();  // nothing to delete
    if (refused)
        return core::Unexpected("The BBMD at " + formatEndpoint(foreign.bbmd) +
                                " refused the registration (Register-Foreign-Device NAK).");
    return core::Unexpected("No answer from " + theBbmd(foreign) + " to Register-Foreign-Device.");
}

void Client::linkNote(const std::string& text) {
    if (m_linkNote) m_linkNote(text);
}

void Client::handleLinkResult(const UdpSocket::Received& received) {
    Registration& registration = *m_registration;
    if (received.from != registration.foreign.bbmd) return;
    const auto link = decodeLink(received.bytes);
    const auto* result = link ? std::get_if<BvlcResult>(&*link) : nullptr;
    if (!result) return;
    const std::string bbmd = theBbmd(registration.foreign);
    const std::string lost = "; devices beyond it no longer hear this tool's broadcasts.";
    switch (result->code) {
    case kBvlcSuccess:
        if (registration.awaiting) {
            registration.awaiting = false;
            registration.confirmed = true;
            registration.lostSaid = false;
            registration.refused = false;
            registration.retries = 0;
            registration.renewAt = Clock::now() + registration.foreign.ttl / 2;
        } else {
            registration.deleteResult = result->code;
        }
        return;
    case kRegisterForeignDeviceNak:
        if (!registration.awaiting) return;
        registration.awaiting = false;
        registration.refused = true;
        registration.retries = 0;
        registration.renewAt = Clock::now() + registration.foreign.ttl / 2;
        if (registration.confirmed && !registration.lostSaid)
            linkNote("The registration with " + bbmd +
                     " was lost: it refused to renew it (Register-Foreign-Device NAK)" + lost);
        registration.lostSaid = true;
        return;
    case kDistributeBroadcastNak:
        if (!registration.lostSaid)
            linkNote("The registration with " + bbmd +
                     " was lost: it refused a broadcast (Distribute-Broadcast-To-Network NAK); registering again.");
        registration.lostSaid = true;
        if (!registration.awaiting) registration.renewAt = Clock::now();
        return;
    case kDeleteForeignDeviceEntryNak: registration.deleteResult = result->code; return;
    default: return;
    }
}

void Client::renewDue(Clock::time_point now) {
    if (!m_registration) return;
    Registration& registration = *m_registration;
    if (!registration.awaiting) {
        if (now >= registration.renewAt) sendRegistration();
        return;
    }
    if (now < registration.sentAt + m_retryInterval) return;
    if (registration.retries < kRetries) {
        ++registration.retries;
        sendRegistration();
        return;
    }
    // Unanswered: tried again at the next renewal, while the BBMD's grace may still hold the entry.
    registration.awaiting = false;
    registration.retries = 0;
    registration.renewAt = now + registration.foreign.ttl / 2;
    if (registration.confirmed && !registration.lostSaid)
        linkNote("The registration with " + theBbmd(registration.foreign) +
                 " may be lost: no answer to Register-Foreign-Device; devices beyond it may no longer hear this "
                 "tool's broadcasts.");
    registration.lostSaid = registration.confirmed;
}

void Client::endRegistration() {
    if (!m_registration) return;
    Registration& registration = *m_registration;
    const std::string bbmd = theBbmd(registration.foreign);
    const auto bytes = encodeLink(DeleteForeignDeviceEntry{registration.self});
    registration.awaiting = false;
    registration.renewAt = Clock::time_point::max();
    for (int attempt = 0; attempt < 2 && !registration.deleteResult; ++attempt) {
        (void)m_requests->sendTo(bytes, registration.foreign.bbmd);
        wait(Clock::now() + m_retryInterval, [&] { return registration.deleteResult.has_value(); });
    }
    const std::string lapses = "; the registration lapses after its time-to-live (" +
                               std::to_string(registration.foreign.ttl.count()) + " s).";
    if (!registration.deleteResult)
        linkNote("No answer from " + bbmd + " to Delete-Foreign-Device-Table-Entry" + lapses);
    else if (*registration.deleteResult != kBvlcSuccess)
        linkNote("The BBMD at " + formatEndpoint(registration.foreign.bbmd) +
                 " refused to delete the registration (Delete-Foreign-Device-Table-Entry NAK)" + lapses);
    m_registration.reset();
}

Client::~Client() { endRegistration(); }

core::Result<std::unique_ptr<Client>> openClient(std::uint16_t bacnetPort, const std::optional<ForeignDevice>& bbmd,
                                                 std::chrono::milliseconds timeout,
                                                 std::function<void(const std::string&)> note) {
    std::string warning;
    auto client = Client::open(bacnetPort, warning);
    if (!warning.empty() && note) note(warning);
    if (!client) return client;
    (*client)->setRetryInterval(retryIntervalWithin(timeout));
    (*client)->onLinkNote(std::move(note));
    if (bbmd)
        if (auto registered = (*client)->registerForeignDevice(*bbmd, Client::Clock::now() + timeout); !registered)
            return core::Unexpected(registered.error());
    return client;
}

}  // namespace vaskiro::bacnet
