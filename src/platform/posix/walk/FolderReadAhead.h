#pragma once

#include "platform/FileSystem.h"
#include "platform/posix/io/UniqueFd.h"
#include "platform/posix/walk/SpinningMutex.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <queue>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace dustrel::posix {

// One helper per processor but the walk's own, at least 1 and at most 15; none on a single processor.
// 0: not known.
std::size_t readAheadHelpers(unsigned processors);

// Reads the folders a depth-first walk will enter next, on helper threads. On a cold cache a walk
// otherwise leaves the disk idle between its reads; with several reads in flight the disk answers them
// together. Given the names the walk lists, the helpers also do the listing itself, on every processor the
// walk leaves them: they keep each folder's entries, and the descriptions of the matching files, as the
// walk would read them, keyed by the folder's device and inode.
//
// The walk still opens every folder itself, with all its checks, and takes a helper's listing only when
// the folder it opened is the very folder (same device and inode) the helper read; otherwise it reads the
// folder as ever. So the walk's results, their order and its safety are what they are without helpers: a
// folder swapped for a link after a helper read it is refused by the walk as ever, and one swapped for
// another folder is read again. The helpers open folders by their path below the start folder in one call
// that refuses links, mount points and "..", in any component, and on file systems where a subtree may
// carry a device of its own they ask every folder its device: they read nothing the walk would not.
//
// The walk's future is kept as a tree: the folders from the start folder down to where the walk is, and
// below and beside them the folders it has still to enter, in the order it will enter them. Helpers take
// the nearest folder in that order that nobody has read yet but the first `walkLead` of them: those the
// walk reads itself, while the helpers read further on, so the walk and the helpers share the reading
// rather than the walk waiting for the folder it needs next. When the walk does come to a folder a helper
// is reading, it waits for that read rather than doing it again. Helpers stop when `aheadLimit` folders
// are read but not yet entered by the walk, their listings hold `bytesLimit` bytes, or the tree would
// know more than `knownLimit` folders. A helper holds one descriptor at a time; besides, up to `heldFolders`
// folders read by helpers stay open until their last subfolder is taken, so that a subfolder is opened
// from its parent rather than through every component from the start folder.
//
// Helpers that only warm the cache gain nothing on a warm one and pay CPU for it, so they report idle()
// once a run of their reads found everything in the cache; the owner then ends them.
class FolderReadAhead
{
public:
    // The name of every helper thread, as the system lists it.
    static constexpr const char* kHelperName = "dustrel-ahead";

    struct Limits
    {
        std::size_t threads = readAheadHelpers(std::thread::hardware_concurrency());
        // Helpers in all once reads wait for the disk; never fewer than `threads`. A disk answers many
        // reads together: with 8 in flight the cold search was at times slower than fd -j8, with 16 not.
        std::size_t coldThreads = 16;
        std::size_t aheadLimit = 512;
        std::size_t knownLimit = 65536;
        // Consecutive quick reads without a disk read after which the helpers call themselves idle; 0: never.
        std::size_t idleAfter = 1024;
        // Enough to keep every helper busy ahead of the walk, yet small beside the rows of a long list: in
        // folders of hundreds of matching files, each listing holds tens of kilobytes.
        std::size_t bytesLimit = std::size_t{1} << 20;
        // Folders the helpers keep open so as to open their subfolders from them.
        std::size_t heldFolders = 32;
        // Folders next in the walk's order that helpers leave to the walk while there are others: enough
        // that the walk, reading them, never reaches the one a helper is reading.
        std::size_t walkLead = 3;
    };

    // A folder as a helper listed it: its identity, its entries and the descriptions of those it matched.
    struct Listing
    {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        FolderContents contents;
        // The helpers know its subfolders already: the walk need not tell them what it read.
        bool subfoldersKnown = false;
    };

    // `start`: the start folder, not owned. `path`: the names from the start folder down to the folder the
    // walk is in, which has just read `here`. The subfolders still to come in each folder of the path are
    // found by reading those folders again (the walk read them: they are in the cache). `listed`: the names
    // to describe in listings; null to only warm the cache.
    FolderReadAhead(int start, std::uint64_t device, bool checkDevice, NameOrder order, Limits limits,
                    const std::vector<std::string_view>& path, const FolderContents& here,
                    const NameFilter* listed = nullptr);
    // Stops the helpers once they have finished the read of their current folder, and waits for them.
    ~FolderReadAhead();
    FolderReadAhead(const FolderReadAhead&) = delete;
    FolderReadAhead& operator=(const FolderReadAhead&) = delete;

    // What the walk did, in its order.
    void walkRead(const FolderContents& contents);
    // With the listing of the folder entered, if a helper has finished one. `spare`: a listing taken
    // before, whose memory the helpers may fill again.
    std::unique_ptr<Listing> walkEntered(std::string_view name, std::unique_ptr<Listing> spare = nullptr);
    // Only counted: the helpers learn of it when the walk next reads or enters a folder.
    void walkLeft();

    // The helpers found a run of folders already cached: reading ahead does not pay here.
    bool idle() const;
    // Folders the helpers have read so far.
    std::size_t foldersRead() const;

private:
    enum class State
    {
        Known,   // waiting for a helper
        Reading, // a helper reads it
        Read,    // a helper read it
        Walked,  // the walk read it
        Dropped, // passed over: the walk will not enter it
    };
    struct Node
    {
        std::string name;
        Node* parent = nullptr;
        std::vector<std::uint32_t> key; // its place in the walk's order: sibling indexes from the top
        State state = State::Known;
        bool childrenKnown = false;
        std::vector<std::shared_ptr<Node>> children; // in walk order; those before `first` are gone
        std::size_t first = 0;
        std::unique_ptr<Listing> listing; // while Read
        // Opened by the helper that read it, while its subfolders are still to be opened from it.
        std::shared_ptr<const UniqueFd> folder;
    };
    // One read of a folder by a helper: where it is opened from, and what was found.
    struct Read
    {
        int from = -1;    // the start folder, or a folder a helper holds
        std::string path; // below it
        bool ok = false;
        UniqueFd folder = UniqueFd();
        std::unique_ptr<Listing> listing = nullptr; // a spare one to fill, if any
        std::vector<std::shared_ptr<Node>> children = {};
    };
    struct Later
    {
        bool operator()(const std::shared_ptr<Node>& a, const std::shared_ptr<Node>& b) const
        {
            return a->key > b->key;
        }
    };

    void help();
    // Under the lock: the folders the walk left since it last took the lock.
    void tellLeft();
    void leftOne();
    // Under the lock: the folder a helper reads next, if any; the first `walkLead` known are left to the
    // walk.
    std::shared_ptr<Node> nextToRead();
    // Under the lock: one more helper thread, unless the system refuses one.
    bool addHelper();
    // The subfolders of the folder at `path` below the start folder ("" for itself), in walk order; false
    // when it cannot be read.
    bool readSubfolders(Read& read, char* buffer, FolderContents& contents,
                        std::vector<std::string>& names) const;
    // The nodes of `names` from `skip` on, children of `node` after its first `before`; made without the
    // lock, since nobody knows them yet.
    static std::vector<std::shared_ptr<Node>> makeChildren(Node& node, const std::vector<std::string>& names,
                                                           std::size_t skip, std::size_t before);
    static std::shared_ptr<Node> makeChild(Node& node, const std::string& name, std::size_t index);
    // Under the lock: adds them, unless the tree would then know too many folders.
    void adoptChildren(Node& node, std::vector<std::shared_ptr<Node>> children);
    // A listing when names are listed, else the subfolders alone.
    void readNode(Read& read, char* buffer, FolderContents& contents, std::vector<std::string>& names) const;
    // The same, keeping the folder's entries and describing the listed ones.
    bool list(Read& read, char* buffer, std::vector<std::string>& names) const;
    // Opens the folder at `path` below `from`; with its device and inode in `identity` if given.
    UniqueFd openChecked(int from, const std::string& path, struct stat* identity) const;
    // Under the lock, after a helper's read: what it found, kept for the walk.
    void finished(Node& node, Read& read, bool cached);
    // Under the lock: the folder the node is opened from, if one is held, instead of the start folder.
    std::shared_ptr<const UniqueFd> parentFolder(Node& node);
    // Under the lock: the node's folder is no longer held.
    void release(Node& node);
    // Under the lock: the node's listing, taken off the count of bytes held.
    std::unique_ptr<Listing> takeListing(Node& node);
    void subfoldersOf(const FolderContents& contents, std::vector<std::string>& names) const;
    std::string pathOf(const Node& node) const;
    // Under the lock: the children of `node`, unless the tree would then know too many folders.
    void addChildren(Node& node, const std::vector<std::string>& names, std::size_t skip);
    // Under the lock: whether a helper would find a folder to read, within the limits.
    bool hasWork() const;
    // Under the lock: wakes up to `work` waiting helpers.
    void wake(std::size_t work);
    // Under the lock, after the walk took a folder off the helpers' count.
    void madeRoom();
    void drop(Node& node);
    void consume(Node& node);

    UniqueFd m_start;
    std::uint64_t m_device;
    bool m_checkDevice;
    NameOrder m_order;
    Limits m_limits;
    const NameFilter* m_listed;

    mutable SpinningMutex m_mutex;
    std::condition_variable_any m_wake;
    std::condition_variable_any m_walkWake; // the walk, waiting for a folder a helper reads
    bool m_walkWaits = false;
    std::size_t m_known = 0; // nodes in the Known state: those the queue holds that anyone may still read
    std::size_t m_leftUntold = 0; // the walk's alone: folders it left, not yet told under the lock
    std::shared_ptr<Node> m_root;
    std::vector<Node*> m_path; // the walk's folders, from the start folder down
    std::size_t m_offTree = 0; // levels the walk went below a folder the tree does not know
    std::priority_queue<std::shared_ptr<Node>, std::vector<std::shared_ptr<Node>>, Later> m_queue;
    std::vector<std::shared_ptr<Node>> m_nearest;   // nextToRead()'s, kept for its memory
    std::vector<std::unique_ptr<Listing>> m_spares; // listings taken, to fill again
    std::size_t m_ahead = 0;                        // nodes being read or read by helpers, not yet walked
    std::size_t m_bytes = 0;                        // held by listings not yet handed over
    std::size_t m_held = 0;                         // folders held open for their subfolders' opening
    std::size_t m_waiting = 0;                      // helpers waiting for work
    std::size_t m_cachedRun = 0;
    std::size_t m_read = 0;
    std::atomic<bool> m_idle = false;
    std::atomic<bool> m_stop = false;
    std::vector<std::thread> m_threads;
};

} // namespace dustrel::posix
