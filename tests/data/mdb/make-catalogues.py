#!/usr/bin/env python3
"""Writes the ReelShelf catalogues of this folder, good and damaged, with mkmdb.py (a small writer
of Jet 4 files; its folder is the first argument).

    python3 make-catalogues.py MKMDB_DIR OUT_DIR

catalogue40.mdb is a whole catalogue; the damaged-*.mdb files each break it in one way that once
made the import hang, eat memory, crash or report a partial import as a success.
"""
import os
import random
import struct
import sys

sys.path.insert(0, sys.argv[1])
import mkmdb  # noqa: E402

out = sys.argv[2]
os.makedirs(out, exist_ok=True)
PG = 4096
u32 = mkmdb.u32


def movie(i, memo=None, disc=1.0):
    return [float(i), '影片%d ' % i, '%d ' % (1980 + i % 40), 'avi ', '动作 ', '国语 ', '中文 ', 'DVD ', '700MB ',
            '1 ', 'Movie %d ' % i, '导演 ', '演员 ', '华纳 ', 90.0 + i % 60, memo, '中国 ', disc, float(i % 11),
            'yes' if i % 2 else 'no']


def build(path, discs, movies, types, hook=None):
    original = mkmdb.encode_row
    if hook:
        mkmdb.encode_row = lambda w, t, v: original(w, t, hook(w, t, v))
    try:
        mkmdb.build(mkmdb.catalogue(discs, movies, types), path)
    finally:
        mkmdb.encode_row = original


def lval_pages(data):
    return [p for p in range(len(data) // PG) if data[p * PG] == 1 and data[p * PG + 4:p * PG + 8] == b'LVAL']


types = [['avi', 'Yes', None], ['mkv', 'Yes', 'Matroska'], ['rmvb', 'No', None]]

# 40 movies on 5 discs; the introduction of movie 1 spans pages.
good = f'{out}/catalogue40.mdb'
build(good, [[str(d), '光盘%d ' % d, 'DVD ', '好 ', None, 'Yes' if d % 3 == 0 else 'No'] for d in range(1, 6)],
      [movie(i, ('长简介%d ' % i) * 600 if i % 50 == 1 else ('简介 %d ' % i * 20 if i % 7 == 0 else None),
             float(1 + (i - 1) // 10)) for i in range(1, 41)], types)
good_bytes = open(good, 'rb').read()

# Cut after the last whole page but one: the file type table's rows are gone.
open(f'{out}/damaged-cut-last-page.mdb', 'wb').write(good_bytes[:-PG])

# Byte flips at a fixed seed in the pages that are not rows (definitions, maps, the catalogue).
rnd = random.Random(7)
structure = [p for p in range(1, len(good_bytes) // PG)
             if not (good_bytes[p * PG] == 1 and good_bytes[p * PG + 4:p * PG + 8] in (b'\3\0\0\0', b'\4\0\0\0', b'\5\0\0\0'))]
flipped = {}
for k in range(200):
    d = bytearray(good_bytes)
    for _ in range(rnd.choice([1, 2, 3, 4, 8])):
        p = rnd.choice(structure)
        d[p * PG + rnd.randrange(0, 700 if rnd.random() < 0.8 else PG)] ^= rnd.randrange(1, 256)
    flipped[k] = bytes(d)
open(f'{out}/damaged-flip-rows-lost.mdb', 'wb').write(flipped[33])  # every movie lost, yet "success"
open(f'{out}/damaged-flip-crash.mdb', 'wb').write(flipped[99])  # libmdb crashed on it

small = [[float(i), '影片%d ' % i, '2001 ', 'avi ', '动作 ', None, None, None, None, None, None, None, None, None,
          90.0, ('长简介%d ' % i) * 600 if i % 3 == 0 else None, None, 1.0, 5.0, 'no'] for i in range(1, 7)]
discs = [['1', '光盘一 ', 'DVD ', None, None, 'No']]
types2 = [['avi', 'Yes', None], ['mkv', 'Yes', None]]
plain = [row[:15] + [None] + row[16:] for row in small]

# An introduction whose page chain points back at itself with nothing in it: libmdb never ends.
p = f'{out}/damaged-memo-self-chain.mdb'
build(p, discs, small, types2)
b = bytearray(open(p, 'rb').read())
pg = lval_pages(b)[0]
b[pg * PG + 14:pg * PG + 16] = struct.pack('<H', PG - 4)
b[pg * PG + PG - 4:pg * PG + PG] = u32(pg << 8)
open(p, 'wb').write(b)

# An introduction whose chain comes back to its first page: libmdb repeats the text.
p = f'{out}/damaged-memo-cycle.mdb'
build(p, discs, small, types2)
b = bytearray(open(p, 'rb').read())
first, second = lval_pages(b)[:2]
start = struct.unpack_from('<H', b, second * PG + 14)[0]
b[second * PG + start:second * PG + start + 4] = u32(first << 8)
open(p, 'wb').write(b)


# The catalogue's property blob of one table chained onto itself: libmdb's own catalogue read
# allocates without end.
def property_loop(w, t, v):
    if t.name == 'MSysObjects' and v[4] is None and v[1] == 'ReelShelfIndex':
        pg = w.alloc()
        w.pages[pg] = mkmdb.data_page([u32(pg << 8) + b'\x55' * 3000], owner=0, lval=True)
        v = v[:4] + [u32(9000) + u32(pg << 8) + u32(0)]
    return v


build(f'{out}/damaged-property-loop.mdb', discs, plain[:4], types2, property_loop)

# The movie table's definition counts 6 rows, 5 are there.
p = f'{out}/damaged-fewer-rows.mdb'
build(p, discs, plain[:5], types2)
b = bytearray(open(p, 'rb').read())
struct.pack_into('<I', b, 4 * PG + 16, 6)
open(p, 'wb').write(b)
