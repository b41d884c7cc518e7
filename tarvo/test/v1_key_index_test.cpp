// Version-1 objects with many siblings: the key index that spares container
// puts a scan must give the codes and bytes of the scan, whatever the temp
// area holds and whoever else puts into the object.
#include "tarvo.h"
#include "tarvo_bits/protocol_v1.h"

#include "tal/ResourcePool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int SIBLINGS = 100;

std::string key(int i) { return "k" + std::to_string(i); }

// Puts SIBLINGS children into the object o, every third a nested object
// (with one member) and the others scalars.
void fill(tarvo_t* o)
{
    for (int i = 0; i < SIBLINGS; ++i) {
        if (i % 3 != 0) {
            ASSERT_EQ(0, tarvo_put_int32(o, key(i).c_str(), i));
            continue;
        }
        tarvo_t* c = tarvo_put_object(o, key(i).c_str());
        ASSERT_EQ(0, TARVO_PTR_ERR(c));
        ASSERT_EQ(0, tarvo_put_null(c, "n"));
        tarvo_finish(c);
    }
}

// The same object built through the engine, which never keeps an index.
std::vector<char> engine_bytes(int size)
{
    std::vector<char> buf(size);
    tarvo_v1_t root, o, c;
    EXPECT_EQ(0, tarvo_v1_open_w(&root, buf.data(), size));
    EXPECT_EQ(0, tarvo_v1_put_container(&root, "o", TARVO_TYPE_OBJECT, &o));
    for (int i = 0; i < SIBLINGS; ++i) {
        const char v[4] = {char(i), 0, 0, 0};
        if (i % 3 != 0) {
            EXPECT_EQ(0, tarvo_v1_put(&o, key(i).c_str(), TARVO_TYPE_INT32, v, 4));
            continue;
        }
        EXPECT_EQ(0, tarvo_v1_put_container(&o, key(i).c_str(), TARVO_TYPE_OBJECT, &c));
        EXPECT_EQ(0, tarvo_v1_put(&c, "n", TARVO_TYPE_NULL, nullptr, 0));
    }
    buf.resize(tarvo_v1_get_size(&root));
    return buf;
}

TEST(V1KeyIndex, CodesAndBytesAsTheScanGivesThem)
{
    const int size = 8192;
    const std::vector<char> want = engine_bytes(size);
    // The smallest area holds no index; the others one, or one per level;
    // a pool holds them all, its blocks wherever the heap puts them.
    for (int tmp_size : {208, 1536, 1 << 16, 0}) {
        SCOPED_TRACE(tmp_size);
        std::vector<char> buf(size), tmp(tmp_size);
        tal::ResourcePool pool;
        tarvo_t* p = tmp_size ? tarvo_open_w(1, buf.data(), size, tmp.data(), tmp_size)
                              : tarvo_open_w_rp(1, buf.data(), size, &pool);
        tarvo_t* o = tarvo_put_object(p, "o");
        ASSERT_EQ(0, TARVO_PTR_ERR(o));
        fill(o);
        EXPECT_EQ(want, std::vector<char>(buf.begin(), buf.begin() + tarvo_get_size(p)));
        // Every name present refuses a container, scalars' names included;
        // a new one is taken.
        for (int i = 0; i < SIBLINGS; ++i) {
            EXPECT_EQ(TARVO_ERR_EXIST, TARVO_PTR_ERR(tarvo_put_object(o, key(i).c_str()))) << i;
            EXPECT_EQ(TARVO_ERR_EXIST, TARVO_PTR_ERR(tarvo_put_array(o, key(i).c_str()))) << i;
        }
        tarvo_t* fresh = tarvo_put_array(o, key(SIBLINGS).c_str());
        EXPECT_EQ(0, TARVO_PTR_ERR(fresh));
        tarvo_finish(fresh);
        EXPECT_EQ(TARVO_ERR_EXIST, TARVO_PTR_ERR(tarvo_put_object(o, key(SIBLINGS).c_str())));
        tarvo_finish(o);
        tarvo_finish(p);
    }
}

TEST(V1KeyIndex, PutsThroughAnotherHandleAreSeen)
{
    std::vector<char> buf(8192), tmp(1 << 16), tmp2(1 << 16);
    tarvo_t* p = tarvo_open_w(1, buf.data(), int(buf.size()), tmp.data(), int(tmp.size()));
    fill(p);
    // The first container put past the threshold has built the index.
    tarvo_t* c = tarvo_put_object(p, "late");
    ASSERT_EQ(0, TARVO_PTR_ERR(c));
    tarvo_finish(c);
    // A second pack over the same bytes adds a scalar and a container.
    tarvo_t* q = tarvo_open_rw(buf.data(), int(buf.size()), tmp2.data(), int(tmp2.size()));
    ASSERT_EQ(0, TARVO_PTR_ERR(q));
    ASSERT_EQ(0, tarvo_put_str(q, "other", "x"));
    c = tarvo_put_object(q, "other2");
    ASSERT_EQ(0, TARVO_PTR_ERR(c));
    tarvo_finish(c);
    tarvo_finish(q);
    for (const char* name : {"other", "other2", "late", "k0", "k1"})
        EXPECT_EQ(TARVO_ERR_EXIST, TARVO_PTR_ERR(tarvo_put_object(p, name))) << name;
    // And the first handle's own puts after that are indexed again.
    ASSERT_EQ(0, tarvo_put_int64(p, "mine", 1));
    EXPECT_EQ(TARVO_ERR_EXIST, TARVO_PTR_ERR(tarvo_put_array(p, "mine")));
    tarvo_finish(p);
}

}  // namespace
