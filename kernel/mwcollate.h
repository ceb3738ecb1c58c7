/*
 * mwcollate.h - per-owner statistics shared by both memory managers
 * (internal). Blocks are grouped by the owner-file pointer in order of first
 * appearance; the table holds at most MW_COLLATE_GROUPS groups.
 */
#ifndef MW_KERNEL_MWCOLLATE_H
#define MW_KERNEL_MWCOLLATE_H

#define MW_COLLATE_GROUPS 100

struct mwOWNERGROUP {
    const char *file;
    int firstLine;
    int count;
    double requested; /* sum of the bytes asked for */
    double total;     /* sum of the block sizes */
};

class mwOwnerGroups {
public:
    /* Counts a block; returns false once the table is full, which ends the
     * walk (the block that makes the last group is still counted). */
    bool add(const char *file, int line, int requested, int total)
    {
        int i = 0;
        while (i < count_ && groups_[i].file != file)
            ++i;
        if (i == count_)
            groups_[count_++] = {file, line, 0, 0.0, 0.0};
        groups_[i].count += 1;
        groups_[i].requested += requested;
        groups_[i].total += total;
        return count_ < MW_COLLATE_GROUPS;
    }

    int count() const { return count_; }
    const mwOWNERGROUP &operator[](int i) const { return groups_[i]; }

private:
    mwOWNERGROUP groups_[MW_COLLATE_GROUPS];
    int count_ = 0;
};

#endif
