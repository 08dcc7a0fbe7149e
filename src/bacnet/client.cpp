#include "bacnet/client.h"

#include <algorithm>

namespace vaskiro::bacnet {

namespace {

using Clock = Client::Clock;

// Room for the I-Am of every device of a large site answering one broadcast at once.
constexpr int kReceiveRoom = 4 << 20;

std::chrono::milliseconds leftUntil(Clock::time_point deadline) {
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(0));
}

bool inRange(const WhoIs& request, std::uint32_t instance) {
    return !request.low || !request.high || (instance >= *request.low && instance <= *request.high);
}

std::string propertyName(std::uint32_t property) {
    switch (property) {
    case kObjectName: return "object-name";
    case kLocation: return "location";
    case kDescription: return "description";
    default: return "property " + std::to_string(property);
    }
}

// The reply's verdict on `request` when it answers it, from `from`; nothing when it answers something else.
std::optional<PropertyResult> verdict(const Message& reply, const ReadProperty& request) {
    if (const auto* ack = std::get_if<ReadPropertyAck>(&reply)) {
        if (ack->invokeId != request.invokeId || ack->object != request.object || ack->property != request.property ||
            ack->arrayIndex != request.arrayIndex)
            return std::nullopt;
        if (const auto* unreadable = std::get_if<UnreadableText>(&ack->value))
            return PropertyResult(core::Unexpected("the device sent " + propertyName(request.property) + " " +
                                                   unreadable->why + ", which this tool cannot read"));
        return PropertyResult(ack->value);
    }
    if (const auto* error = std::get_if<Error>(&reply)) {
        if (error->invokeId != request.invokeId || error->service != kServiceReadProperty) return std::nullopt;
        return PropertyResult(core::Unexpected("the device answered with error class " +
                                               std::to_string(error->errorClass) + ", code " +
                                               std::to_string(error->errorCode)));
    }
    if (const auto* reject = std::get_if<Reject>(&reply)) {
        if (reject->invokeId != request.invokeId) return std::nullopt;
        return PropertyResult(
            core::Unexpected("the device rejected the request (reason " + std::to_string(reject->reason) + ")"));
    }
    if (const auto* abort = std::get_if<Abort>(&reply)) {
        if (abort->invokeId != request.invokeId || !abort->fromServer) return std::nullopt;
        return PropertyResult(
            core::Unexpected("the device aborted the request (reason " + std::to_string(abort->reason) + ")"));
    }
    return std::nullopt;
}

std::uint8_t invokeIdOf(const Message& request) {
    return std::visit(
        [](const auto& message) -> std::uint8_t {
            if constexpr (requires { message.invokeId; })
                return message.invokeId;
            else
                return 0;
        },
        request);
}

std::uint8_t serviceOf(const Message& request) {
    if (std::holds_alternative<SubscribeCov>(request)) return kServiceSubscribeCov;
    if (std::holds_alternative<WriteProperty>(request)) return kServiceWriteProperty;
    if (std::holds_alternative<ReadPropertyMultiple>(request)) return kServiceReadPropertyMultiple;
    return kServiceReadProperty;
}

// The reply's verdict on a request of the point checkout; nothing when it answers something else.
std::optional<RequestResult> requestVerdict(const Message& reply, const Message& request) {
    using Kind = RequestFailure::Kind;
    const auto refusal = [](Kind kind, std::string text) {
        return RequestResult(core::Unexpected(RequestFailure{kind, std::move(text)}));
    };
    const std::uint8_t invokeId = invokeIdOf(request);
    const std::uint8_t service = serviceOf(request);
    if (const auto* ack = std::get_if<SimpleAck>(&reply)) {
        if (ack->invokeId != invokeId || ack->service != service || service == kServiceReadProperty ||
            service == kServiceReadPropertyMultiple)
            return std::nullopt;
        return RequestResult(reply);
    }
    if (const auto* ack = std::get_if<ReadPropertyMultipleAck>(&reply)) {
        if (ack->invokeId != invokeId || service != kServiceReadPropertyMultiple) return std::nullopt;
        return RequestResult(reply);
    }
    if (std::holds_alternative<ReadPropertyAck>(reply)) {
        const auto* read = std::get_if<ReadProperty>(&request);
        if (!read || !verdict(reply, *read)) return std::nullopt;
        return RequestResult(reply);
    }
    if (const auto* error = std::get_if<Error>(&reply)) {
        if (error->invokeId != invokeId || error->service != service) return std::nullopt;
        return refusal(Kind::Error, "error class " + std::to_string(error->errorClass) + ", code " +
                                        std::to_string(error->errorCode));
    }
    if (const auto* reject = std::get_if<Reject>(&reply)) {
        if (reject->invokeId != invokeId) return std::nullopt;
        return refusal(Kind::Rejected, "rejected (reason " + std::to_string(reject->reason) + ")");
    }
    if (const auto* abort = std::get_if<Abort>(&reply)) {
        if (abort->invokeId != invokeId || !abort->fromServer) return std::nullopt;
        return refusal(Kind::Aborted, "aborted (reason " + std::to_string(abort->reason) + ")");
    }
    return std::nullopt;
}

}  // namespace

bool isBroadcast(const Endpoint& endpoint) { return endpoint.address[3] == 255; }

Endpoint broadcastFor(const Endpoint& device) {
    const auto number = [](const std::array<std::uint8_t, 4>& octets) {
        return std::uint32_t{octets[0]} << 24 | std::uint32_t{octets[1]} << 16 | std::uint32_t{octets[2]} << 8 |
               octets[3];
    };
    const std::uint32_t address = number(device.address);
    std::uint32_t broadcast = 0xFFFFFFFF;
    for (const LocalInterface& local : localInterfaces()) {
        const std::uint32_t mask = number(local.netmask);
        if (mask != 0 && mask != 0xFFFFFFFF && (number(local.address) & mask) == (address & mask)) {
            broadcast = address | ~mask;
            break;
        }
    }
    return {{static_cast<std::uint8_t>(broadcast >> 24), static_cast<std::uint8_t>(broadcast >> 16),
             static_cast<std::uint8_t>(broadcast >> 8), static_cast<std::uint8_t>(broadcast)},
            device.port};
}

std::chrono::milliseconds retryIntervalWithin(std::chrono::milliseconds bound) {
    return std::clamp(bound / 3, std::chrono::milliseconds(50), std::chrono::milliseconds(3000));
}

core::Result<std::unique_ptr<Client>> Client::open(std::uint16_t bacnetPort, std::string& warning) {
    std::unique_ptr<Client> client(new Client);
    auto requests = UdpSocket::open(Endpoint{{0, 0, 0, 0}, 0}, false);
    if (!requests) return core::Unexpected("Cannot open a UDP socket: " + requests.error());
    client->m_requests = std::move(*requests);
    client->m_requests->reserveReceiveRoom(kReceiveRoom);
    if (auto broadcasts = UdpSocket::open(Endpoint{{0, 0, 0, 0}, bacnetPort}, true)) {
        client->m_broadcasts = std::move(*broadcasts);
        client->m_broadcasts->reserveReceiveRoom(kReceiveRoom);
    } else {
        warning = "UDP port " + std::to_string(bacnetPort) + " is in use by another program (" + broadcasts.error() +
                  "); listening on port " + std::to_string(client->m_requests->localEndpoint().port) +
                  " only, so devices that broadcast their I-Am may be missed.";
    }
    return client;
}

core::Result<void> Client::sendWhoIs(const Endpoint& to, const WhoIs& request) {
    if (auto sent = transmit(request, to, isBroadcast(to)); !sent)
        return core::Unexpected("Cannot send to " + formatEndpoint(to) + ": " + sent.error());
    m_whoIs.push_back({to, request, Clock::now()});
    return {};
}

std::size_t Client::startRead(const Endpoint& device, ObjectId object, std::uint32_t property) {
    m_reads.push_back({device, ReadProperty{m_nextInvokeId++, object, property}, Clock::now()});
    send(m_reads.back().request, device, false);
    return m_reads.size() - 1;
}

std::size_t Client::startRequest(const Endpoint& device, Message request) {
    std::visit(
        [id = m_nextInvokeId++](auto& message) {
            if constexpr (requires { message.invokeId; }) message.invokeId = id;
        },
        request);
    const std::size_t number = m_nextRequest++;
    PendingRequest& pending = m_confirmed[number];
    pending.device = device;
    pending.request = std::move(request);
    pending.sentAt = Clock::now();
    send(pending.request, device, false);
    return number;
}

RequestResult Client::takeResult(std::size_t request) {
    RequestResult result = std::move(m_confirmed.at(request).result);
    m_confirmed.erase(request);
    return result;
}

bool Client::allFinished() const {
    return std::all_of(m_reads.begin(), m_reads.end(), [](const PendingRead& read) { return read.finished; });
}

void Client::send(const Message& message, const Endpoint& to, bool broadcast) {
    // A send that fails is as a datagram lost: the retries and the time bound cover it.
    (void)transmit(message, to, broadcast);
}

void Client::wait(Clock::time_point until, const std::function<bool()>& done) {
    std::vector<UdpSocket*> sockets{m_requests.get()};
    if (m_broadcasts) sockets.push_back(m_broadcasts.get());
    while (!done() && Clock::now() < until) {
        const int ready = UdpSocket::waitReadable(sockets, leftUntil(std::min(until, nextResend())));
        if (ready >= 0) {
            UdpSocket* socket = sockets[static_cast<std::size_t>(ready)];
            while (auto received = socket->receive()) handle(*received, socket == m_requests.get());
        }
        resendDue();
    }
}

void Client::handle(const UdpSocket::Received& received, bool onRequestPort) {
    const auto decoded = decode(received.bytes);
    if (!decoded) {
        if (m_registration && onRequestPort) handleLinkResult(received);
        return;
    }
    const Message& message = decoded->message;
    if (const auto* iAm = std::get_if<IAm>(&message)) {
        bool asked = false;
        for (PendingWhoIs& whoIs : m_whoIs)
            if (inRange(whoIs.range, iAm->instance)) asked = whoIs.answered = true;
        if (!asked) return;
        SeenDevice device{*iAm, decoded->forwardedFrom.value_or(received.from)};
        if (m_seenKeys.emplace(device.iAm.instance, device.address).second) m_seen.push_back(device);
        return;
    }
    if (!onRequestPort) return;
    if (const auto* notification = std::get_if<CovNotification>(&message)) {
        if (m_notify) m_notify(*notification, received.from);
        return;
    }
    for (auto& [number, pending] : m_confirmed) {
        if (pending.finished || received.from != pending.device) continue;
        if (auto result = requestVerdict(message, pending.request)) {
            pending.result = std::move(*result);
            pending.finished = true;
            return;
        }
    }
    for (PendingRead& read : m_reads) {
        if (read.finished || received.from != read.device) continue;
        if (auto result = verdict(message, read.request)) {
            read.result = std::move(*result);
            read.finished = true;
            return;
        }
    }
}

Clock::time_point Client::nextResend() const {
    Clock::time_point next = Clock::time_point::max();
    if (m_registration)
        next = m_registration->awaiting ? m_registration->sentAt + m_retryInterval : m_registration->renewAt;
    for (const PendingWhoIs& whoIs : m_whoIs)
        if (!whoIs.answered && whoIs.retries < kRetries) next = std::min(next, whoIs.sentAt + m_retryInterval);
    for (const PendingRead& read : m_reads)
        if (!read.finished) next = std::min(next, read.sentAt + m_retryInterval);
    for (const auto& [number, pending] : m_confirmed)
        if (!pending.finished) next = std::min(next, pending.sentAt + m_retryInterval);
    return next;
}

void Client::resendDue() {
    const auto now = Clock::now();
    renewDue(now);
    for (PendingWhoIs& whoIs : m_whoIs) {
        if (whoIs.answered || whoIs.retries == kRetries || now < whoIs.sentAt + m_retryInterval) continue;
        send(whoIs.range, whoIs.to, isBroadcast(whoIs.to));
        whoIs.sentAt = now;
        ++whoIs.retries;
    }
    for (PendingRead& read : m_reads) {
        if (read.finished || now < read.sentAt + m_retryInterval) continue;
        if (read.retries == kRetries) {
            read.finished = true;  // "no reply"
            continue;
        }
        send(read.request, read.device, false);
        read.sentAt = now;
        ++read.retries;
    }
    for (auto& [number, pending] : m_confirmed) {
        if (pending.finished || now < pending.sentAt + m_retryInterval) continue;
        if (pending.retries == kRetries) {
            pending.finished = true;  // "no reply"
            continue;
        }
        send(pending.request, pending.device, false);
        pending.sentAt = now;
        ++pending.retries;
    }
}

}  // namespace vaskiro::bacnet
