// Connection of an output pin: the order of the types tried, which failures mean "type does not fit", the choice
// of the allocator, and that every failed or broken connection gives back what it took.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include "tests/framework/AllocationFailer.h"
#include "tests/framework/FakeInputPin.h"
#include "tests/framework/TestSourceFilter.h"
#include "tests/support/FakeAllocator.h"

using Microsoft::WRL::ComPtr;

namespace {

class PinConnection : public testing::Test {
protected:
    void SetUp() override
    {
        filterInterface = TestSourceFilter::Create(1, &filter);
        stream = filter->Stream(0);
        stream->GetSingleMediaType(&ownType);
    }
    // Lets go of what the connections left with the peer, as a graph's teardown would.
    void TearDown() override
    {
        stream->Disconnect();
        peer->offeredAllocator.Reset();
        peer->notifiedAllocator.Reset();
        peer->connectedTo.Reset();
        filterInterface.Reset();
        EXPECT_EQ(peer->References(), 1u) << "every reference on the peer was given back";
        EXPECT_EQ(peerAllocator->References(), 1u) << "every reference on the allocator was given back";
    }
    // Subtypes of the types the peer was offered, in order.
    std::vector<GUID> Tried() const
    {
        std::vector<GUID> subtypes;
        for (const MediaTypeRecord& type : peer->receivedTypes) {
            subtypes.push_back(type.subtype);
        }
        return subtypes;
    }
    void ExpectUnconnected()
    {
        EXPECT_FALSE(stream->IsConnected());
        EXPECT_EQ(stream->Allocator(), nullptr);
        EXPECT_EQ(peer->References(), 1u);
    }

    const ComPtr<FakeInputPin> peer = win::MakeComObject<FakeInputPin>();
    const ComPtr<FakeAllocator> peerAllocator = win::MakeComObject<FakeAllocator>();
    ComPtr<IBaseFilter> filterInterface;
    TestSourceFilter* filter = nullptr;
    TestStream* stream = nullptr;
    MediaTypeRecord ownType;
};

} // namespace

TEST_F(PinConnection, ReceivingPinsTypesAreTriedBeforeOurOwn)
{
    stream->acceptAnyType = true;
    peer->offeredTypes = {MakeVideoType(MEDIASUBTYPE_RGB32, 1), MakeVideoType(MEDIASUBTYPE_RGB555, 2)};
    peer->receiveConnectionResult = VFW_E_TYPE_NOT_ACCEPTED;
    EXPECT_EQ(stream->Connect(peer.Get(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(Tried(), (std::vector<GUID>{MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB555, MEDIASUBTYPE_RGB24}));
    ExpectUnconnected();
}

TEST_F(PinConnection, TypeMismatchFailuresNeverBecomeTheResultButOtherFailuresDo)
{
    stream->acceptAnyType = true;
    peer->offeredTypes = {MakeVideoType(MEDIASUBTYPE_RGB32, 1)};
    for (HRESULT mismatch : {E_FAIL, E_INVALIDARG, VFW_E_TYPE_NOT_ACCEPTED}) {
        peer->receiveConnectionResult = mismatch;
        EXPECT_EQ(stream->Connect(peer.Get(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES) << std::hex << mismatch;
    }
    peer->receiveConnectionResult = E_OUTOFMEMORY;
    peer->receivedTypes.clear();
    EXPECT_EQ(stream->Connect(peer.Get(), nullptr), E_OUTOFMEMORY);
    EXPECT_EQ(peer->receivedTypes.size(), 2u) << "the remaining types are still tried";
    ExpectUnconnected();
}

TEST_F(PinConnection, FullTypeTriesOnlyItselfAndPartialTypeFiltersTheLists)
{
    stream->acceptAnyType = true;
    peer->offeredTypes = {MakeVideoType(MEDIASUBTYPE_RGB32, 1), MakeVideoType(MEDIASUBTYPE_RGB555, 2)};
    peer->receiveConnectionResult = VFW_E_TYPE_NOT_ACCEPTED;

    const MediaTypeRecord full = MakeVideoType(MEDIASUBTYPE_RGB555, 2);
    EXPECT_EQ(stream->Connect(peer.Get(), &full), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(Tried(), std::vector<GUID>{MEDIASUBTYPE_RGB555});

    peer->receivedTypes.clear();
    MediaTypeRecord partial;
    partial.majortype = MEDIATYPE_Video;
    partial.subtype = MEDIASUBTYPE_RGB555;
    EXPECT_EQ(stream->Connect(peer.Get(), &partial), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(Tried(), std::vector<GUID>{MEDIASUBTYPE_RGB555});
}

TEST_F(PinConnection, OwnTypeConnectsAndDisconnectGivesEverythingBack)
{
    peer->offeredTypes = {MakeVideoType(MEDIASUBTYPE_RGB32, 1)}; // refused by the stream's own CheckType
    peer->offeredAllocator = peerAllocator.Get();
    ASSERT_EQ(stream->Connect(peer.Get(), nullptr), S_OK);
    EXPECT_EQ(Tried(), std::vector<GUID>{MEDIASUBTYPE_RGB24});
    EXPECT_EQ(stream->Connect(peer.Get(), nullptr), VFW_E_ALREADY_CONNECTED);

    AM_MEDIA_TYPE agreed;
    ASSERT_EQ(stream->ConnectionMediaType(&agreed), S_OK);
    EXPECT_TRUE(SameType(agreed, ownType));
    FreeTypeContents(&agreed);
    {
        // A copy whose format block cannot be allocated is reported, and leaves the caller's structure owning nothing.
        AllocationFailer failer(ownType.cbFormat);
        ASSERT_TRUE(failer.Registered());
        EXPECT_EQ(stream->ConnectionMediaType(&agreed), E_OUTOFMEMORY);
        EXPECT_EQ(agreed.cbFormat, 0u);
        EXPECT_EQ(agreed.pbFormat, nullptr);
    }
    IPin* connected = nullptr;
    ASSERT_EQ(stream->ConnectedTo(&connected), S_OK);
    EXPECT_EQ(connected, static_cast<IPin*>(peer.Get()));
    connected->Release();

    EXPECT_EQ(stream->Disconnect(), S_OK);
    EXPECT_GE(peerAllocator->decommits, 1);
    ExpectUnconnected();
    EXPECT_EQ(stream->Disconnect(), S_FALSE);
}

TEST_F(PinConnection, UnconnectedPinAnswersQueriesWithDefaults)
{
    AM_MEDIA_TYPE type;
    type.lSampleSize = 77;
    EXPECT_EQ(stream->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(type.lSampleSize, 1u);
    EXPECT_TRUE(IsEqualGUID(type.majortype, GUID_NULL));
    IPin* connected = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(stream->ConnectedTo(&connected), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(connected, nullptr);

    const MediaTypeRecord other = MakeVideoType(MEDIASUBTYPE_RGB32, 1);
    EXPECT_EQ(stream->QueryAccept(&other), S_FALSE) << "a CheckType failure becomes S_FALSE";
    EXPECT_EQ(stream->QueryAccept(&ownType), S_OK);
    EXPECT_EQ(stream->QueryAccept(nullptr), E_POINTER);
    EXPECT_EQ(stream->Connect(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(stream->EndOfStream(), E_UNEXPECTED);
}

TEST_F(PinConnection, PeersOfTheWrongKindAreRefusedWithTheirOwnReason)
{
    peer->direction = PINDIR_OUTPUT;
    EXPECT_EQ(stream->Connect(peer.Get(), &ownType), VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(stream->Connect(peer.Get(), nullptr), VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(stream->ReceiveConnection(peer.Get(), &ownType), VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(stream->ReceiveConnection(peer.Get(), nullptr), E_POINTER);
    peer->direction = PINDIR_INPUT;
    peer->exposeMemInputPin = false;
    EXPECT_EQ(stream->Connect(peer.Get(), &ownType), E_NOINTERFACE);
    EXPECT_TRUE(peer->receivedTypes.empty());
    ExpectUnconnected();
}

TEST_F(PinConnection, PeersAllocatorIsTheFirstChoice)
{
    peer->requirements = {4, 0, 0, 16};
    peer->offeredAllocator = peerAllocator.Get();
    ASSERT_EQ(stream->Connect(peer.Get(), &ownType), S_OK);
    EXPECT_EQ(stream->Allocator(), static_cast<IMemAllocator*>(peerAllocator.Get()));
    EXPECT_EQ(peer->notifiedAllocator.Get(), static_cast<IMemAllocator*>(peerAllocator.Get()));
    EXPECT_EQ(stream->sizeBuffersCalls, 1);
    EXPECT_EQ(stream->lastRequest.cBuffers, 4);
    EXPECT_EQ(stream->lastRequest.cbAlign, 1) << "alignment 0 is raised to 1";
    EXPECT_EQ(stream->lastRequest.cbPrefix, 16);
    EXPECT_EQ(peerAllocator->asked.cbBuffer, stream->FrameBytes());
}

TEST_F(PinConnection, OwnAllocatorIsSizedFromThePeersRequirementsWhenThePeersFails)
{
    peer->requirements = {5, 0, 0, 0};
    // No allocator offered: GetAllocator fails.
    ASSERT_EQ(stream->Connect(peer.Get(), &ownType), S_OK);
    ASSERT_NE(stream->Allocator(), nullptr);
    EXPECT_EQ(peer->notifiedAllocator.Get(), stream->Allocator());
    EXPECT_EQ(stream->lastRequest.cBuffers, 5);
    EXPECT_EQ(stream->lastRequest.cbAlign, 1);
    ALLOCATOR_PROPERTIES granted = {};
    ASSERT_EQ(stream->Allocator()->GetProperties(&granted), S_OK);
    EXPECT_EQ(granted.cBuffers, 5);
    EXPECT_GE(granted.cbBuffer, stream->FrameBytes());
    stream->Disconnect();

    // The peer's allocator grants less than asked: our own is used.
    peerAllocator->grantedBufferSize = 100;
    peer->offeredAllocator = peerAllocator.Get();
    ASSERT_EQ(stream->Connect(peer.Get(), &ownType), S_OK);
    EXPECT_NE(stream->Allocator(), static_cast<IMemAllocator*>(peerAllocator.Get()));
    EXPECT_EQ(stream->sizeBuffersCalls, 3);
}

TEST_F(PinConnection, NoAllocatorAcceptedFailsTheConnectionAndUndoesIt)
{
    peer->offeredAllocator = peerAllocator.Get();
    peer->notifyAllocatorResult = E_ACCESSDENIED;
    EXPECT_EQ(stream->Connect(peer.Get(), &ownType), E_ACCESSDENIED);
    EXPECT_EQ(peer->connectedTo, nullptr) << "the peer was told to disconnect";
    ExpectUnconnected();
}

TEST_F(PinConnection, TypesClaimingABlockTheyLackAreRefusedBeforeAnythingReadsIt)
{
    stream->acceptAnyType = true;
    peer->offeredTypes = {MakeVideoType(MEDIASUBTYPE_RGB24, 1)};
    AM_MEDIA_TYPE full = ownType;
    full.pbFormat = nullptr;
    AM_MEDIA_TYPE pattern = full;
    pattern.majortype = GUID_NULL; // a partial type: compared with every listed type
    for (const AM_MEDIA_TYPE* type : {&full, &pattern}) {
        EXPECT_EQ(stream->Connect(peer.Get(), type), E_POINTER);
        EXPECT_EQ(stream->QueryAccept(type), S_FALSE);
    }
    EXPECT_TRUE(peer->receivedTypes.empty());
    ExpectUnconnected();
}

TEST_F(PinConnection, AnOutputPinNeverReceivesAConnection)
{
    // Even from a willing input pin with the pin's own type.
    EXPECT_EQ(stream->ReceiveConnection(peer.Get(), &ownType), VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(stream->ReceiveConnection(nullptr, &ownType), E_POINTER);
    EXPECT_EQ(stream->sizeBuffersCalls, 0);
    ExpectUnconnected();
}
