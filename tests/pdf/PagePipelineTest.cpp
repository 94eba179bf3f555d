// Pages recorded on one thread and worked on by a pool: every page once, the lowest failing page's
// exception rethrown, no thread left behind; recorded pages render the same on every thread; and
// JPEGs with their own Huffman tables decode to the same pixels as with the standard ones.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Error.h"
#include "pdf/JpegWriter.h"
#include "pdf/Library.h"
#include "pdf/PagePipeline.h"
#include "pdf/Renderer.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

int threadsOfThisProcess() {
    return static_cast<int>(listDir("/proc/self/task").size());
}

class PagePipeline : public ::testing::Test {
  protected:
    pdf::Library library;
    pdf::Document document{samplePdf()};
};

TEST_F(PagePipeline, EveryPageIsWorkedOnOnceWhateverTheWorkerCount) {
    const int pages = document.pageCount();
    for (int workers = 1; workers <= 5; ++workers) {
        std::mutex mutex;
        std::multiset<int> worked;
        std::set<std::thread::id> threads;
        pdf::forEachRecordedPage(document, workers, [&](const pdf::RecordedPage& page) {
            std::lock_guard<std::mutex> lock(mutex);
            worked.insert(page.number());
            threads.insert(std::this_thread::get_id());
        });
        std::multiset<int> expected;
        for (int n = 1; n <= pages; ++n) expected.insert(n);
        EXPECT_EQ(expected, worked) << workers;
        EXPECT_LE(static_cast<int>(threads.size()), workers) << workers;
    }
}

// A reading before each page: on the calling thread, in page order, for the pages asked for;
// what it leaves is there when the page's work starts; a page it declines is not worked on; a
// reading that fails is its page's failure.
TEST_F(PagePipeline, EachPageIsReadOnTheCallingThreadBeforeItIsWorkedOn) {
    const std::thread::id caller = std::this_thread::get_id();
    for (int workers : {1, 3}) {
        std::vector<int> read;
        std::vector<int> left(9, 0);  // by page, what the reading leaves
        std::mutex mutex;
        std::set<int> worked;
        pdf::forEachRecordedPage(
            document, 2, 7, workers,
            [&](const pdf::Page& page) {
                EXPECT_EQ(caller, std::this_thread::get_id());
                read.push_back(page.number());
                left[page.number()] = page.number() * 10;
                return page.number() != 4;
            },
            [&](const pdf::RecordedPage& page) {
                std::lock_guard<std::mutex> lock(mutex);
                EXPECT_EQ(page.number() * 10, left[page.number()]);
                worked.insert(page.number());
            });
        EXPECT_EQ((std::vector<int>{2, 3, 4, 5, 6, 7}), read) << workers;
        EXPECT_EQ((std::set<int>{2, 3, 5, 6, 7}), worked) << workers;

        EXPECT_THROW(pdf::forEachRecordedPage(
                         document, 1, 8, workers,
                         [](const pdf::Page& page) {
                             if (page.number() == 5) throw std::runtime_error("page 5");
                             return true;
                         },
                         [](const pdf::RecordedPage&) {}),
                     std::runtime_error);
    }
}

TEST_F(PagePipeline, LowestFailingPageIsRethrownAndNoThreadOutlivesTheCall) {
    const int before = threadsOfThisProcess();
    for (int workers : {1, 2, 4}) {
        std::atomic<int> done{0};
        try {
            pdf::forEachRecordedPage(document, workers, [&](const pdf::RecordedPage& page) {
                if (page.number() == 3 || page.number() == 5)
                    throw std::runtime_error("page " + std::to_string(page.number()) + " failed");
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                ++done;
            });
            ADD_FAILURE() << "no exception with " << workers << " workers";
        } catch (const std::runtime_error& e) {
            // Page 5 may fail before page 3 on another worker; page 3's failure is reported.
            EXPECT_STREQ("page 3 failed", e.what()) << workers;
        }
        EXPECT_GE(done.load(), 2) << workers;  // pages 1 and 2 at least
        EXPECT_EQ(before, threadsOfThisProcess()) << workers;
    }
}

// Page 5 fails first, while page 3 waits for it on another worker; page 3 then fails too:
// page 3's failure is the one rethrown. (Without the latch, page 3 fails before page 5 is
// reached, and rethrowing the highest failing page instead would go unnoticed.)
TEST_F(PagePipeline, LowestFailingPageIsRethrownWhenAHigherOneFailedFirst) {
    for (int workers : {3, 4}) {
        std::mutex mutex;
        std::condition_variable fiveFailed;
        bool failed = false;
        bool waited = false;
        try {
            pdf::forEachRecordedPage(document, workers, [&](const pdf::RecordedPage& page) {
                if (page.number() == 5) {
                    {
                        std::lock_guard<std::mutex> lock(mutex);
                        failed = true;
                    }
                    fiveFailed.notify_all();
                    throw std::runtime_error("page 5 failed");
                }
                if (page.number() == 3) {
                    std::unique_lock<std::mutex> lock(mutex);
                    waited =
                        fiveFailed.wait_for(lock, std::chrono::seconds(10), [&] { return failed; });
                    lock.unlock();
                    // Page 5's worker has thrown; let the pipeline take its failure first.
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    throw std::runtime_error("page 3 failed");
                }
            });
            ADD_FAILURE() << "no exception with " << workers << " workers";
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(waited) << "page 5 never failed with " << workers << " workers";
            EXPECT_STREQ("page 3 failed", e.what()) << workers;
        }
    }
}

// A thread without a WorkerContext of its own is refused the Library's context (two threads on
// one MuPDF context corrupt its error stack), and given its own while it uses one.
TEST_F(PagePipeline, ContextOfAnotherThreadIsRefusedUnlessItHasItsOwn) {
    std::string refused;
    bool own = false;
    pdf::WorkerContext worker;
    std::thread other([&] {
        try {
            pdf::Library::context();
        } catch (const pdf::Error& e) {
            refused = e.what();
        }
        pdf::WorkerContext::Use use(worker);
        own = pdf::Library::context() != nullptr;
    });
    other.join();
    EXPECT_EQ("PDF library: used on a thread without a context of its own", refused);
    EXPECT_TRUE(own);
    EXPECT_NE(nullptr, pdf::Library::context());
}

TEST_F(PagePipeline, RecordedPageRendersTheSamePixelsOnEveryThread) {
    pdf::RecordedPage page = pdf::recordPage(document.page(3));
    const pdf::RenderSize size = pdf::sizeAtResolution(document.page(3), 100);
    auto render = [&page, &size] {
        std::vector<unsigned char> pixels;
        pdf::renderRecorded(
            page, size, [&pixels, &size](const unsigned char* rows, int, int count) {
                pixels.insert(pixels.end(), rows,
                              rows + static_cast<std::size_t>(count) * size.width * 3);
            });
        return pixels;
    };
    const std::vector<unsigned char> here = render();
    std::vector<unsigned char> there[3];
    pdf::WorkerContext contexts[3];
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
        threads.emplace_back([&, i] {
            pdf::WorkerContext::Use use(contexts[i]);
            there[i] = render();
        });
    }
    for (std::thread& t : threads) t.join();
    for (const auto& pixels : there) EXPECT_TRUE(pixels == here);
    EXPECT_EQ(static_cast<std::size_t>(size.width) * size.height * 3, here.size());
}

// The pixels of a JPEG file, decoded by libjpeg.
std::vector<unsigned char> decoded(const std::vector<unsigned char>& file) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), file.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(info.output_width) *
                                      info.output_height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            pixels.data() + static_cast<std::size_t>(info.output_scanline) * info.output_width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

std::vector<unsigned char> bytesOf(std::FILE* file) {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(std::ftell(file)));
    std::rewind(file);
    EXPECT_EQ(bytes.size(), std::fread(bytes.data(), 1, bytes.size(), file));
    return bytes;
}

// A synthetic page: text-like strokes on white.
std::vector<unsigned char> pagePixels(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3, 255);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((y / 6) % 3 == 0 && (x * 7 + y) % 13 < 4)
                for (int c = 0; c < 3; ++c)
                    pixels[(static_cast<std::size_t>(y) * width + x) * 3 + c] = 30;
    return pixels;
}

TEST(JpegTables, OwnTablesGiveTheSamePixelsInFewerBytesAndStayBaseline) {
    const int width = 500, height = 700;
    const std::vector<unsigned char> pixels = pagePixels(width, height);

    std::FILE* ours = std::tmpfile();
    pdf::JpegWriter writer(ours, width, height, 80, 72);
    writer.writeRows(pixels.data(), height);
    writer.finish();
    const std::vector<unsigned char> optimized = bytesOf(ours);
    std::fclose(ours);

    // The same pixels with libjpeg's standard tables.
    std::FILE* standardFile = std::tmpfile();
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, standardFile);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 80, TRUE);
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < height; ++y) {
        JSAMPROW row =
            const_cast<JSAMPROW>(pixels.data() + static_cast<std::size_t>(y) * width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const std::vector<unsigned char> standard = bytesOf(standardFile);
    std::fclose(standardFile);

    EXPECT_TRUE(decoded(optimized) == decoded(standard));
    EXPECT_LT(optimized.size(), standard.size());
    // Baseline: a SOF0 frame, no progressive SOF2.
    auto has = [&optimized](unsigned char marker) {
        for (std::size_t i = 0; i + 1 < optimized.size(); ++i)
            if (optimized[i] == 0xFF && optimized[i + 1] == marker) return true;
        return false;
    };
    EXPECT_TRUE(has(0xC0));
    EXPECT_FALSE(has(0xC2));
}

}  // namespace
