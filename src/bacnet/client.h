#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bacnet/codec.h"
#include "bacnet/udp_socket.h"

namespace vaskiro::bacnet {

// A device that answered a Who-Is.
struct SeenDevice {
    IAm iAm;
    Endpoint address;  // where it answered from (the original sender of a forwarded I-Am)
};

// What reading one property came to: the value, or why there is none ("no
// reply", the device's Error, Reject or Abort, a text this tool cannot read).
using PropertyResult = core::Result<Value>;

// Why a confirmed request of the point checkout has no acknowledgement.
struct RequestFailure {
    enum class Kind { NoReply, Error, Rejected, Aborted };
    Kind kind = Kind::NoReply;
    std::string text = "no reply";
    // The device answered with an Error, Reject or Abort, as opposed to not answering.
    bool refused() const { return kind != Kind::NoReply; }
};

// How a confirmed request of the point checkout ended: its acknowledgement
// (SimpleAck, ReadPropertyAck or ReadPropertyMultipleAck), or why there is none.
using RequestResult = core::Result<Message, RequestFailure>;
inline const RequestResult kNoReply = core::Unexpected(RequestFailure{});

// A BBMD to register with as a foreign device, when the devices are on a
// subnet that this computer's broadcasts do not reach.
inline constexpr std::chrono::seconds kDefaultForeignDeviceTtl{60};
struct ForeignDevice {
    Endpoint bbmd;
    std::chrono::seconds ttl = kDefaultForeignDeviceTtl;  // 1 to 65535 s
};

// A BACnet/IP client: asks with Who-Is and reads properties, several at a
// time. Requests go out from a port of its own, where unicast replies come
// back; a second socket on the BACnet port hears I-Am replies that devices
// broadcast. A reply counts only when it matches its request exactly: its
// source address and port, invoke ID, service, object and property; an
// Abort only when a server sent it. A request without a reply is sent again
// after each retry interval (BACnet's APDU timeout), with the same invoke ID,
// at most kRetries times; then it has had no reply.
// Blocking; one thread at a time.
class Client {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kRetries = 3;  // BACnet's usual Number_Of_APDU_Retries

    // `bacnetPort`: the port the devices use and broadcast their I-Am to.
    // The reason when no socket can be had. When the BACnet port is taken by
    // a program that does not share it, the client still works and `warning`
    // says what may be missed.
    static core::Result<std::unique_ptr<Client>> open(std::uint16_t bacnetPort, std::string& warning);
    // Deletes the foreign-device registration, if any (see endRegistration).
    ~Client();

    void setRetryInterval(std::chrono::milliseconds interval) { m_retryInterval = interval; }
    std::chrono::milliseconds retryInterval() const { return m_retryInterval; }
    // Where requests go out from, and replies and notifications come to.
    Endpoint localEndpoint() const { return m_requests->localEndpoint(); }

    // Sends Who-Is to `to` (as a broadcast when it is one); it is sent again
    // after each retry interval until a device in its range answers. The I-Am
    // replies within the range of any Who-Is sent are collected into seen()
    // while waiting.
    core::Result<void> sendWhoIs(const Endpoint& to, const WhoIs& request);
    // At most one per instance and address, in the order they came.
    const std::vector<SeenDevice>& seen() const { return m_seen; }

    // Sends ReadProperty for `property` of `object` at `device`; returns the
    // number by which result() tells how it ended.
    std::size_t startRead(const Endpoint& device, ObjectId object, std::uint32_t property);
    bool finished(std::size_t read) const { return m_reads[read].finished; }
    bool allFinished() const;
    const PropertyResult& result(std::size_t read) const { return m_reads[read].result; }

    // Sends a ReadProperty, ReadPropertyMultiple, SubscribeCOV or
    // WriteProperty with an invoke ID of its own, retried as a read is;
    // returns the number by which requestResult() tells how it ended.
    std::size_t startRequest(const Endpoint& device, Message request);
    bool requestFinished(std::size_t request) const { return m_confirmed.at(request).finished; }
    // The result, after which the request is forgotten (an unfinished one is
    // abandoned: a late reply to it is ignored).
    RequestResult takeResult(std::size_t request);
    // Called for each COV notification that arrives on the request port, with its sender.
    void onNotification(std::function<void(const CovNotification&, const Endpoint&)> handler) {
        m_notify = std::move(handler);
    }

    // Handles what arrives and resends what is unanswered, until `until` or
    // until `done` (asked after each arrival and at each retry) says so.
    void wait(Clock::time_point until, const std::function<bool()>& done);

    // Foreign-device mode (client_foreign_device.cpp). Registers with the
    // BBMD and waits until `until` for its BVLC-Result; from then on every
    // broadcast goes to the BBMD as Distribute-Broadcast-To-Network, and
    // wait() registers again at half the time-to-live. The reason, said for
    // the person, when the BBMD refuses or does not answer.
    core::Result<void> registerForeignDevice(const ForeignDevice& foreign, Clock::time_point until);
    bool registered() const { return m_registration.has_value(); }
    // Remarks on the registration after it was made: lost (refused or not
    // answered when renewed, a broadcast refused), its deletion refused.
    void onLinkNote(std::function<void(const std::string&)> handler) { m_linkNote = std::move(handler); }
    // Delete-Foreign-Device-Table-Entry, waiting at most two retry intervals
    // for the BBMD's answer; a refusal or silence is a note, since the entry
    // lapses anyway after its time-to-live.
    void endRegistration();

private:
    struct PendingRead {
        Endpoint device;
        ReadProperty request;
        Clock::time_point sentAt;
        int retries = 0;
        bool finished = false;
        PropertyResult result = core::Unexpected(std::string("no reply"));
    };
    struct PendingRequest {
        Endpoint device;
        Message request;
        Clock::time_point sentAt;
        int retries = 0;
        bool finished = false;
        RequestResult result = kNoReply;
    };
    struct PendingWhoIs {
        Endpoint to;
        WhoIs range;
        Clock::time_point sentAt;
        int retries = 0;
        bool answered = false;
    };

    struct Registration {
        ForeignDevice foreign;
        Endpoint self;                // this client as the BBMD knows it
        Clock::time_point renewAt{};  // when the next Register-Foreign-Device is due
        Clock::time_point sentAt{};   // of the Register-Foreign-Device awaiting its result
        int retries = 0;
        bool awaiting = false;
        bool confirmed = false;  // the BBMD accepted it at least once
        bool refused = false;    // the last answer was a Register-Foreign-Device NAK
        bool lostSaid = false;
        std::optional<std::uint16_t> deleteResult{};
    };

    Client() = default;
    core::Result<void> transmit(const Message& message, const Endpoint& to, bool broadcast);
    void sendRegistration();
    void handleLinkResult(const UdpSocket::Received& received);
    void renewDue(Clock::time_point now);
    void linkNote(const std::string& text);
    void handle(const UdpSocket::Received& received, bool onRequestPort);
    void resendDue();
    Clock::time_point nextResend() const;
    void send(const Message& message, const Endpoint& to, bool broadcast);

    std::unique_ptr<UdpSocket> m_requests;
    std::unique_ptr<UdpSocket> m_broadcasts;  // null when the BACnet port was taken
    std::uint8_t m_nextInvokeId = 0;
    std::chrono::milliseconds m_retryInterval{3000};
    std::vector<PendingWhoIs> m_whoIs;
    std::vector<SeenDevice> m_seen;
    std::set<std::pair<std::uint32_t, Endpoint>> m_seenKeys;  // instance and address of each in m_seen
    std::vector<PendingRead> m_reads;
    std::map<std::size_t, PendingRequest> m_confirmed;
    std::size_t m_nextRequest = 0;
    std::function<void(const CovNotification&, const Endpoint&)> m_notify;
    std::optional<Registration> m_registration;
    std::function<void(const std::string&)> m_linkNote;
};

// Client::open with the retry interval for `timeout`, registered with the
// BBMD when `bbmd` is given (waiting at most `timeout` for it). The notes
// (the BACnet port taken; later the registration lost, its deletion refused)
// go to `note`; the reason when there is no client or no registration.
core::Result<std::unique_ptr<Client>> openClient(std::uint16_t bacnetPort, const std::optional<ForeignDevice>& bbmd,
                                                 std::chrono::milliseconds timeout,
                                                 std::function<void(const std::string&)> note);

// 255.255.255.255 and directed broadcasts (taken as any address ending in 255).
bool isBroadcast(const Endpoint& endpoint);

// Where a broadcast reaches `device`'s subnet: the directed broadcast of the
// local interface whose subnet holds its address, else 255.255.255.255; on
// the device's port.
Endpoint broadcastFor(const Endpoint& device);

// The retry interval for requests that must end within `bound`: three tries
// fit in it, between 50 ms and BACnet's usual 3 s.
std::chrono::milliseconds retryIntervalWithin(std::chrono::milliseconds bound);

}  // namespace vaskiro::bacnet
