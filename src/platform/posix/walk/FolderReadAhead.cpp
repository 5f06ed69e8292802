#include "platform/posix/walk/FolderReadAhead.h"

#include "platform/posix/walk/FolderRecords.h"
#include "platform/posix/walk/PosixFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

#if defined(SYS_openat2) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#define DUSTREL_HAVE_OPENAT2 1
#endif

namespace dustrel::posix {

namespace {

// Below `from`, in every component: no "..", no link, no mount point. O_NONBLOCK for the same reason as
// the walk's own opening: nothing but a folder is ever waited for.
int openBelow(int from, const char* path)
{
#ifdef DUSTREL_HAVE_OPENAT2
    open_how how{};
    how.flags = static_cast<std::uint64_t>(O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_XDEV | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(syscall(SYS_openat2, from, path, &how, sizeof how));
#else
    (void)from;
    (void)path;
    errno = ENOSYS;
    return -1;
#endif
}

} // namespace

// Less than that, a read did not wait for the disk, whatever put the thread to sleep meanwhile.
constexpr std::chrono::microseconds kDiskWait{100};

std::size_t readAheadHelpers(unsigned processors)
{
    // The walk reads too, on a processor of its own. 0: the system cannot tell, which is no reason to
    // walk alone.
    return processors == 1 ? 0 : std::clamp<std::size_t>(processors, 2, 16) - 1;
}

FolderReadAhead::FolderReadAhead(int start, std::uint64_t device, bool checkDevice, NameOrder order,
                                 Limits limits, const std::vector<std::string_view>& path,
                                 const FolderContents& here, const NameFilter* listed)
    : m_start(fcntl(start, F_DUPFD_CLOEXEC, 0)), m_device(device), m_checkDevice(checkDevice), m_order(order),
      m_limits(limits), m_listed(listed), m_root(std::make_shared<Node>())
{
    // Listing pays warm as well as cold.
    if (m_listed != nullptr)
        m_limits.idleAfter = 0;
    m_root->state = State::Walked;
    m_path.push_back(m_root.get());
    if (!m_start)
        return;

    // Where the walk is, and in each folder above it the subfolders it has still to enter: those after
    // the one it went down into.
    auto buffer = std::make_unique<char[]>(kFolderBufferSize);
    FolderContents contents;
    std::vector<std::string> names;
    std::string below;
    for (const std::string_view name : path) {
        Node& parent = *m_path.back();
        auto child = std::make_shared<Node>();
        child->name = name;
        child->parent = &parent;
        child->key = parent.key;
        child->key.push_back(0);
        child->state = State::Walked;
        parent.children.push_back(child);
        parent.childrenKnown = true;
        names.clear();
        Read read{m_start.get(), below.empty() ? std::string(".") : below};
        if (below.size() < PATH_MAX && readSubfolders(read, buffer.get(), contents, names)) {
            const auto later =
                std::upper_bound(names.begin(), names.end(), name,
                                 [this](std::string_view a, const std::string& b) { return m_order(a, b); });
            addChildren(parent, names, static_cast<std::size_t>(later - names.begin()));
        }
        if (!below.empty())
            below += '/';
        below += name;
        m_path.push_back(child.get());
    }
    subfoldersOf(here, names);
    addChildren(*m_path.back(), names, 0);

    // Under the lock: a helper that finds the disk slow adds helpers to the same list.
    const std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_limits.threads; ++i) {
        if (!addHelper())
            break;
    }
}

bool FolderReadAhead::addHelper()
{
    try {
        m_threads.emplace_back([this] { help(); });
        // Named, so that a look at the process's threads tells the helpers from any other.
        pthread_setname_np(m_threads.back().native_handle(), kHelperName);
        return true;
    } catch (const std::system_error&) {
        return false; // fewer helpers: fewer reads in flight, nothing else
    }
}

FolderReadAhead::~FolderReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void FolderReadAhead::walkRead(const FolderContents& contents)
{
    std::unique_lock lock(m_mutex);
    tellLeft();
    if (m_offTree != 0)
        return;
    Node& here = *m_path.back();
    consume(here);
    madeRoom();
    if (here.childrenKnown)
        return;
    lock.unlock();
    std::vector<std::string> names;
    subfoldersOf(contents, names);
    lock.lock();
    if (m_offTree == 0 && m_path.back() == &here && !here.childrenKnown) {
        addChildren(here, names, 0);
        wake(here.children.size());
    }
}

std::unique_ptr<FolderReadAhead::Listing> FolderReadAhead::walkEntered(std::string_view name,
                                                                       std::unique_ptr<Listing> spare)
{
    std::unique_lock lock(m_mutex);
    tellLeft();
    // A few are enough: a helper takes one as it sets out and the walk gives one back at each folder.
    if (spare && m_spares.size() < m_threads.size() + 1)
        m_spares.push_back(std::move(spare));
    if (m_offTree != 0) {
        ++m_offTree;
        return nullptr;
    }
    Node& here = *m_path.back();
    std::size_t found = here.first;
    while (found < here.children.size() && here.children[found]->name != name)
        ++found;
    if (found == here.children.size()) {
        // A folder the tree does not know (it came after the helpers read its parent): followed by depth
        // alone until the walk is back.
        ++m_offTree;
        return nullptr;
    }
    // Those before it were not entered (refused, or gone): the walk never comes back to them.
    for (std::size_t i = here.first; i < found; ++i) {
        drop(*here.children[i]);
        here.children[i].reset();
    }
    here.first = found;
    Node& entered = *here.children[found];
    // A helper is reading it: it is done sooner than the walk would be, reading it again.
    m_walkWaits = true;
    m_walkWake.wait(lock, [&entered] { return entered.state != State::Reading; });
    m_walkWaits = false;
    std::unique_ptr<Listing> listing = takeListing(entered);
    if (listing)
        listing->subfoldersKnown = entered.childrenKnown;
    consume(entered);
    m_path.push_back(&entered);
    madeRoom();
    return listing;
}

void FolderReadAhead::walkLeft()
{
    // Told under the lock the walk takes next anyway: a lock of its own for each folder left would double
    // the times the walk and the helpers meet on it.
    ++m_leftUntold;
}

void FolderReadAhead::tellLeft()
{
    for (; m_leftUntold != 0; --m_leftUntold)
        leftOne();
}

void FolderReadAhead::leftOne()
{
    if (m_offTree != 0) {
        --m_offTree;
        return;
    }
    if (m_path.size() < 2)
        return;
    Node& left = *m_path.back();
    m_path.pop_back();
    Node& parent = *m_path.back();
    drop(left);
    parent.children[parent.first].reset();
    ++parent.first;
    madeRoom();
}

bool FolderReadAhead::idle() const
{
    return m_idle.load(std::memory_order_relaxed);
}

std::size_t FolderReadAhead::foldersRead() const
{
    const std::lock_guard lock(m_mutex);
    return m_read;
}

void FolderReadAhead::help()
{
    auto buffer = std::make_unique<char[]>(kFolderBufferSize);
    FolderContents contents;
    std::vector<std::string> names;
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_waiting;
        m_wake.wait(lock, [this] { return m_stop || (!m_idle && hasWork()); });
        --m_waiting;
        if (m_stop)
            return;
        const std::shared_ptr<Node> node = nextToRead();
        if (!node)
            continue;
        node->state = State::Reading;
        --m_known;
        ++m_ahead;
        std::shared_ptr<const UniqueFd> parent = parentFolder(*node);
        Read read{parent ? parent->get() : m_start.get(), parent ? node->name : pathOf(*node)};
        if (!m_spares.empty()) {
            read.listing = std::move(m_spares.back());
            m_spares.pop_back();
        }
        lock.unlock();

        names.clear();
        const std::uint64_t before = waitsOfThisThread();
        const auto started = std::chrono::steady_clock::now();
        if (read.path.size() < PATH_MAX)
            readNode(read, buffer.get(), contents, names);
        parent.reset();
        // Waiting for a read another thread started puts this one to sleep too; being put aside for other
        // threads (a busy machine) does not, so it cannot pass for a disk that is slow. Nor can a brief
        // sleep on a lock in the system, which a read of the cache may meet: a disk takes longer.
        const bool cached =
            std::chrono::steady_clock::now() - started < kDiskWait || waitsOfThisThread() == before;
        if (read.ok)
            read.children = makeChildren(*node, names, 0, 0);

        lock.lock();
        finished(*node, read, cached);
    }
}

void FolderReadAhead::finished(Node& node, Read& read, bool cached)
{
    ++m_read;
    m_cachedRun = cached ? m_cachedRun + 1 : 0;
    if (m_limits.idleAfter != 0 && m_cachedRun >= m_limits.idleAfter)
        m_idle = true;
    // A disk answers several reads at once: while reads wait for it, more of them are kept in flight than
    // there are processors.
    if (!cached && m_threads.size() < m_limits.coldThreads && !m_stop)
        addHelper();
    // Walked or passed over meanwhile (the lock was released for the read): the walk no longer needs what
    // was found, and the state, checked under the lock, is the only word on that.
    if (node.state != State::Reading)
        return;
    node.state = State::Read;
    if (m_walkWaits)
        m_walkWake.notify_one();
    if (read.ok && read.listing) {
        m_bytes += read.listing->contents.describedBytes();
        node.listing = std::move(read.listing);
    }
    if (!read.ok || node.childrenKnown)
        return;
    adoptChildren(node, std::move(read.children));
    // Its subfolders are opened from it rather than from the start folder, which spares the system the
    // resolution of every component above.
    if (!node.children.empty() && m_held < m_limits.heldFolders) {
        node.folder = std::make_shared<const UniqueFd>(std::move(read.folder));
        ++m_held;
    }
    // One of them is this helper's own next read.
    wake(node.children.size() - std::min<std::size_t>(1, node.children.size()));
}

std::shared_ptr<const UniqueFd> FolderReadAhead::parentFolder(Node& node)
{
    Node* const parent = node.parent;
    if (parent == nullptr || !parent->folder)
        return nullptr;
    std::shared_ptr<const UniqueFd> folder = parent->folder;
    // Once its last subfolder is taken nobody needs it: helpers take subfolders mostly in order, and one
    // taken after that is opened from the start folder instead.
    if (parent->children.back().get() == &node)
        release(*parent);
    return folder;
}

void FolderReadAhead::release(Node& node)
{
    if (node.folder) {
        node.folder.reset();
        --m_held;
    }
}

std::shared_ptr<FolderReadAhead::Node> FolderReadAhead::nextToRead()
{
    // The queue is never purged: a node the walk entered or passed over since it was queued stays in it
    // (held alive by the queue's reference) and is told apart here by its state alone.
    m_nearest.clear();
    while (!m_queue.empty() && m_nearest.size() <= m_limits.walkLead) {
        std::shared_ptr<Node> node = m_queue.top();
        m_queue.pop();
        if (node->state == State::Known)
            m_nearest.push_back(std::move(node));
    }
    // The one folder known is left to the walk too, although nobody else reads ahead: the walk enters it
    // next, and a helper reading it would only make the walk wait (down a chain of single folders, at
    // every one).
    if (m_nearest.size() == 1 && m_limits.walkLead != 0) {
        m_queue.push(std::move(m_nearest.front()));
        m_nearest.clear();
    }
    if (m_nearest.empty())
        return nullptr;
    // With fewer known than that, the last of them: the one the walk reaches last.
    std::shared_ptr<Node> next = std::move(m_nearest.back());
    m_nearest.pop_back();
    for (std::shared_ptr<Node>& node : m_nearest)
        m_queue.push(std::move(node));
    m_nearest.clear();
    return next;
}

void FolderReadAhead::readNode(Read& read, char* buffer, FolderContents& contents,
                               std::vector<std::string>& names) const
{
    if (m_listed == nullptr) {
        read.ok = readSubfolders(read, buffer, contents, names);
        return;
    }
    read.ok = list(read, buffer, names);
}

UniqueFd FolderReadAhead::openChecked(int from, const std::string& path, struct stat* identity) const
{
    UniqueFd folder(openBelow(from, path.c_str()));
    if (!folder || (!m_checkDevice && identity == nullptr))
        return folder;
    // A subtree with a device of its own, not being a mount, is not refused while opening.
    struct stat st
    {
    };
    if (fstat(folder.get(), &st) != 0 || !S_ISDIR(st.st_mode) || (m_checkDevice && st.st_dev != m_device))
        return UniqueFd();
    if (identity != nullptr)
        *identity = st;
    return folder;
}

bool FolderReadAhead::readSubfolders(Read& read, char* buffer, FolderContents& contents,
                                     std::vector<std::string>& names) const
{
    read.folder = openChecked(read.from, read.path, nullptr);
    if (!read.folder || readFolderRecords(read.folder.get(), buffer, contents, &m_stop) != 0)
        return false;
    subfoldersOf(contents, names);
    return true;
}

bool FolderReadAhead::list(Read& read, char* buffer, std::vector<std::string>& names) const
{
    // Where every folder of the walk's mount has its device, the folder's own entry says the rest of its
    // identity, and no call asks it.
    struct stat st
    {
    };
    st.st_dev = static_cast<dev_t>(m_device);
    read.folder = openChecked(read.from, read.path, m_checkDevice ? &st : nullptr);
    if (!read.folder)
        return false;
    const int folder = read.folder.get();
    if (!read.listing)
        read.listing = std::make_unique<Listing>();
    Listing& listing = *read.listing;
    listing.subfoldersKnown = false;
    FolderContents& contents = listing.contents;
    std::uint64_t self = 0;
    if (readFolderRecords(folder, buffer, contents, &m_stop, m_checkDevice ? nullptr : &self) != 0)
        return false;
    if (!m_checkDevice) {
        // No "." entry: the folder is asked after all.
        st.st_ino = static_cast<ino_t>(self);
        if (self == 0 && fstat(folder, &st) != 0)
            return false;
    }
    listing.device = st.st_dev;
    listing.inode = st.st_ino;
    FileInfo info;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        // Stop ends the helpers within a folder of any size.
        if (m_stop.load(std::memory_order_relaxed))
            return false;
        if (contents.type(i) == EntryType::File && m_listed->matches(contents.name(i)) &&
            entryInfoAt(folder, contents.cName(i), info) == 0)
            contents.describe(i, info);
    }
    subfoldersOf(contents, names);
    return true;
}

std::unique_ptr<FolderReadAhead::Listing> FolderReadAhead::takeListing(Node& node)
{
    if (node.listing)
        m_bytes -= node.listing->contents.describedBytes();
    return std::move(node.listing);
}

void FolderReadAhead::subfoldersOf(const FolderContents& contents, std::vector<std::string>& names) const
{
    names.clear();
    for (std::size_t i = 0; i < contents.size(); ++i) {
        if (contents.type(i) == EntryType::Folder)
            names.emplace_back(contents.name(i));
    }
    std::sort(names.begin(), names.end(),
              [this](const std::string& a, const std::string& b) { return m_order(a, b); });
}

std::string FolderReadAhead::pathOf(const Node& node) const
{
    std::size_t length = 0;
    for (const Node* at = &node; at != m_root.get(); at = at->parent)
        length += at->name.size() + 1;
    std::string path(length == 0 ? 1 : length - 1, '.');
    std::size_t end = path.size();
    for (const Node* at = &node; at != m_root.get(); at = at->parent) {
        end -= at->name.size();
        path.replace(end, at->name.size(), at->name);
        if (end > 0)
            path[--end] = '/';
    }
    return path;
}

void FolderReadAhead::addChildren(Node& node, const std::vector<std::string>& names, std::size_t skip)
{
    adoptChildren(node, makeChildren(node, names, skip, node.children.size()));
}

std::vector<std::shared_ptr<FolderReadAhead::Node>>
FolderReadAhead::makeChildren(Node& node, const std::vector<std::string>& names, std::size_t skip,
                              std::size_t before)
{
    std::vector<std::shared_ptr<Node>> children;
    children.reserve(names.size() - skip);
    for (std::size_t i = skip; i < names.size(); ++i)
        children.push_back(makeChild(node, names[i], before + children.size()));
    return children;
}

std::shared_ptr<FolderReadAhead::Node> FolderReadAhead::makeChild(Node& node, const std::string& name,
                                                                  std::size_t index)
{
    auto child = std::make_shared<Node>();
    child->name = name;
    child->parent = &node;
    child->key.reserve(node.key.size() + 1);
    child->key = node.key;
    child->key.push_back(static_cast<std::uint32_t>(index));
    return child;
}

void FolderReadAhead::adoptChildren(Node& node, std::vector<std::shared_ptr<Node>> children)
{
    // A folder with more subfolders than that is read by the walk alone; below PATH_MAX deep only, since
    // no helper could open a folder deeper than that.
    if (m_queue.size() + children.size() > m_limits.knownLimit || node.key.size() >= PATH_MAX / 2)
        return;
    node.childrenKnown = true;
    m_known += children.size();
    for (std::shared_ptr<Node>& child : children) {
        m_queue.push(child);
        node.children.push_back(std::move(child));
    }
}

bool FolderReadAhead::hasWork() const
{
    // With folders to leave to the walk, one known is the walk's own next.
    const std::size_t least = m_limits.walkLead != 0 ? 2 : 1;
    return m_ahead < m_limits.aheadLimit && m_bytes < m_limits.bytesLimit && m_known >= least;
}

void FolderReadAhead::wake(std::size_t work)
{
    // Nobody is woken for a folder the helpers would leave to the walk.
    if (!hasWork())
        return;
    // One helper per piece of work: waking them all for each folder the walk enters would cost more
    // processor time than the reading.
    for (std::size_t i = 0; i < std::min(work, m_waiting); ++i)
        m_wake.notify_one();
}

void FolderReadAhead::madeRoom()
{
    // Helpers held back by the limit fill the room the walk makes in bursts: one wake-up for every eighth
    // of the limit, rather than one for every folder the walk enters, which would cost the walk more
    // processor time than it gains.
    if (m_waiting != 0 && hasWork() && m_ahead + m_limits.aheadLimit / 8 <= m_limits.aheadLimit &&
        m_bytes + m_limits.bytesLimit / 8 <= m_limits.bytesLimit)
        m_wake.notify_all();
}

// Marks the node and every descendant it still holds as dropped, so that a helper holding any of them
// (queued, or reading with the lock released) sees the walk will not come and keeps nothing for it.
void FolderReadAhead::drop(Node& node)
{
    takeListing(node).reset();
    release(node);
    consume(node);
    node.state = State::Dropped;
    for (std::size_t i = node.first; i < node.children.size(); ++i) {
        if (node.children[i])
            drop(*node.children[i]);
    }
    node.children.clear();
    node.first = 0;
}

void FolderReadAhead::consume(Node& node)
{
    if (node.state == State::Known)
        --m_known;
    if (node.state == State::Reading || node.state == State::Read)
        --m_ahead;
    if (node.state != State::Dropped)
        node.state = State::Walked;
}

} // namespace dustrel::posix
