// The subscriber against a real broker: what arrives under the prefix and in which order, the
// retained copies, a payload over the limit, a flood the owner does not take in time, and the
// ways a subscription is refused.
#include "common/mqtt/MqttSubscriber.h"

#include "MqttTestPeers.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <thread>

#include <gtest/gtest.h>

namespace tlv::mqtt::test {
namespace {

using Connection = MqttSubscriber::Connection;

class SubscriberTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (TestBroker::Program().isEmpty()) GTEST_SKIP() << "mosquitto is not installed";
        QString why;
        ASSERT_TRUE(m_broker.start(&why)) << why.toStdString();
    }
    // Everything the subscriber handed over so far.
    static std::vector<IncomingMessage> Taken(const QSignalSpy& spy)
    {
        std::vector<IncomingMessage> all;
        for (const QList<QVariant>& args : spy)
            all.push_back(args.at(0).value<IncomingMessage>());
        return all;
    }

    TestBroker m_broker;
};

TEST_F(SubscriberTest, HandsOverWhatArrivesUnderThePrefixInOrder)
{
    TestPublisher publisher(m_broker.port());
    ASSERT_TRUE(publisher.waitConnected());
    ASSERT_TRUE(publisher.publish("lab/h/coflux/status", "online", true));

    MqttSubscriber subscriber(QStringLiteral("tlvfleet"));
    subscriber.setPayloadLimit(100);
    QSignalSpy spy(&subscriber, &MqttSubscriber::messageReceived);
    ASSERT_TRUE(subscriber.start({m_broker.url(QStringLiteral("lab")), {}, {}, {}}));
    EXPECT_EQ(subscriber.topicFilter(), QByteArray("lab/#"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return subscriber.connection() == Connection::Online; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.count() == 1; })) << "the retained status";

    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(publisher.publish("lab/h/coflux/output/1", QByteArray::number(i)));
    ASSERT_TRUE(publisher.publish("elsewhere/h/coflux/status", "online"));
    ASSERT_TRUE(publisher.publish("lab/h/coflux/event", QByteArray(101, 'x')));
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.count() == 22; }));

    const std::vector<IncomingMessage> all = Taken(spy);
    EXPECT_EQ(all[0].topic, QByteArray("lab/h/coflux/status"));
    EXPECT_TRUE(all[0].retained);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(all[std::size_t(i) + 1].payload, QByteArray::number(i));
        EXPECT_FALSE(all[std::size_t(i) + 1].retained);
    }
    const IncomingMessage& huge = all[21];
    EXPECT_TRUE(huge.oversized);
    EXPECT_TRUE(huge.payload.isEmpty());
    EXPECT_EQ(huge.size, 101);
    QTest::qWait(200);
    EXPECT_EQ(spy.count(), 22) << "nothing from outside the prefix";
}

TEST_F(SubscriberTest, AFloodTheOwnerDoesNotTakeInTimeKeepsTheNewest)
{
    constexpr int kFlood = 1200;
    MqttSubscriber subscriber(QStringLiteral("tlvfleet"));
    subscriber.setQueueLimit(10);
    QSignalSpy spy(&subscriber, &MqttSubscriber::messageReceived);
    ASSERT_TRUE(subscriber.start({m_broker.url(QStringLiteral("lab")), {}, {}, {}}));
    // One within its queue's bound gets all, in order, however many batches that takes.
    MqttSubscriber roomy(QStringLiteral("tlvfleet-roomy"));
    QSignalSpy roomySpy(&roomy, &MqttSubscriber::messageReceived);
    ASSERT_TRUE(roomy.start({m_broker.url(QStringLiteral("lab")), {}, {}, {}}));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return subscriber.connection() == Connection::Online &&
               roomy.connection() == Connection::Online;
    }));
    TestSubscriber witness(m_broker.port());
    ASSERT_TRUE(witness.waitSubscribed());

    // The owner's thread is busy (no event loop) while more messages arrive than one batch.
    TestPublisher publisher(m_broker.port());
    ASSERT_TRUE(publisher.waitConnected());
    for (int i = 0; i < kFlood; ++i)
        ASSERT_TRUE(publisher.publish("lab/h/coflux/output/1", QByteArray::number(i)));
    ASSERT_TRUE(witness.waitCount("lab/h/coflux/output/1", kFlood));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return spy.count() + subscriber.droppedMessages() == kFlood; }));
    const std::vector<IncomingMessage> all = Taken(spy);
    EXPECT_EQ(all.size(), 10U);
    EXPECT_EQ(subscriber.droppedMessages(), kFlood - 10);
    EXPECT_EQ(all.back().payload, QByteArray::number(kFlood - 1));
    EXPECT_EQ(all.front().payload, QByteArray::number(kFlood - 10));

    ASSERT_TRUE(QTest::qWaitFor([&] { return roomySpy.count() == kFlood; }));
    EXPECT_EQ(roomy.droppedMessages(), 0);
    const std::vector<IncomingMessage> kept = Taken(roomySpy);
    for (int i = 0; i < kFlood; ++i)
        EXPECT_EQ(kept[std::size_t(i)].payload, QByteArray::number(i));
}

TEST_F(SubscriberTest, UnusableOptionsAndARefusedLoginAreReported)
{
    MqttSubscriber subscriber(QStringLiteral("tlvfleet"));
    QSignalSpy problems(&subscriber, &MqttSubscriber::problem);
    EXPECT_FALSE(subscriber.start({QStringLiteral("http://127.0.0.1/lab"), {}, {}, {}}));
    EXPECT_EQ(subscriber.connection(), Connection::Failed);
    EXPECT_TRUE(subscriber.lastProblem().startsWith(QStringLiteral("Bad publish URL")));
    EXPECT_FALSE(subscriber.start({m_broker.url(QStringLiteral("lab")),
                                   QStringLiteral("viewer"),
                                   QStringLiteral("/no/such/password-file"),
                                   {}}));
    EXPECT_TRUE(subscriber.lastProblem().contains(QStringLiteral("password file")));
    EXPECT_EQ(problems.count(), 2);

    TestBroker guarded(
        TestBroker::Config{QStringLiteral("operator"), QStringLiteral("s3cret"), false});
    QString why;
    ASSERT_TRUE(guarded.start(&why)) << why.toStdString();
    ASSERT_TRUE(subscriber.start({guarded.url(QStringLiteral("lab")), {}, {}, {}}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return subscriber.connection() == Connection::Failed; }));
    EXPECT_TRUE(subscriber.lastProblem().contains(QStringLiteral("refused the connection")));

    QTemporaryFile password;
    ASSERT_TRUE(password.open());
    password.write("s3cret\n");
    password.close();
    ASSERT_TRUE(subscriber.start(
        {guarded.url(QStringLiteral("lab")), QStringLiteral("operator"), password.fileName(), {}}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return subscriber.connection() == Connection::Online; }));
}

} // namespace
} // namespace tlv::mqtt::test
