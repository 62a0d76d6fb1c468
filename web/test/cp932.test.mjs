// The page's code page 932 encoder, checked against the decoder it is read off
// and against bytes the console's converter gives.
import { test } from 'node:test';
import assert from 'node:assert/strict';

import { encodeLeniently, encodeStrictly, textIndex } from '../site/cp932.js';

const decoder = new TextDecoder('shift_jis');
const bytes = (...values) => Uint8Array.from(values);
const utf8 = (text) => new TextEncoder().encode(text);

test('every double-byte code the decoder knows comes back as itself, but for repeats', () => {
    const repeats = {};
    for (let lead = 0x81; lead <= 0xfc; ++lead) {
        if (lead > 0x9f && lead < 0xe0) continue;
        for (let trail = 0x40; trail <= 0xfc; ++trail) {
            if (trail === 0x7f) continue;
            const text = decoder.decode(bytes(lead, trail));
            if (text.length !== 1 || text === '\uFFFD') continue;
            const back = encodeStrictly(text);
            assert.equal(decoder.decode(back), text);
            if (back[0] !== lead || back[1] !== trail) {
                const key = lead.toString(16);
                repeats[key] = (repeats[key] ?? 0) + 1;
            }
        }
    }
    // A character with several codes gets the first one, except that the NEC
    // selection of IBM extensions (0xED, 0xEE) yields to the IBM extensions:
    // NEC row 13 and the IBM extensions repeat some signs of row 2, and
    // the IBM extensions some of NEC row 13. glibc's iconv chooses the same.
    assert.deepEqual(repeats, { 87: 9, ed: 188, ee: 186, fa: 15 });
});

test('characters get the codes code page 932 converters give them', () => {
    const cases = {
        'A\\~': [0x41, 0x5c, 0x7e],
        '表ソ': [0x95, 0x5c, 0x83, 0x5c],
        'ｱﾟ': [0xb1, 0xdf],
        '～∥－￢': [0x81, 0x60, 0x81, 0x61, 0x81, 0x7c, 0x81, 0xca],
        'Ⅰ①': [0x87, 0x54, 0x87, 0x40],
        'ⅰ纊': [0xfa, 0x40, 0xfa, 0x5c],
        '∵≒': [0x81, 0xe6, 0x81, 0xe0],
    };
    for (const [text, expected] of Object.entries(cases)) {
        assert.deepEqual([...encodeStrictly(text)], expected, text);
    }
});

test('text with a character code page 932 lacks does not encode strictly', () => {
    assert.equal(encodeStrictly('abc é'), null);
    assert.equal(encodeStrictly('絵文字 😀'), null);
    assert.deepEqual([...encodeStrictly('')], []);
});

test('leniently, whatever does not convert passes as the bytes it was', () => {
    // A whole line converts.
    assert.deepEqual([...encodeLeniently(utf8('あa\n'))], [0x82, 0xa0, 0x61, 0x0a]);
    // A character without a code keeps its UTF-8 bytes; the rest converts.
    assert.deepEqual([...encodeLeniently(utf8('éあ'))], [0xc3, 0xa9, 0x82, 0xa0]);
    // A character cut at the end of a piece, and bytes that are no UTF-8.
    assert.deepEqual([...encodeLeniently(bytes(0x61, 0xe3, 0x81))], [0x61, 0xe3, 0x81]);
    assert.deepEqual([...encodeLeniently(bytes(0xff, 0xc0, 0x80, 0x41))], [0xff, 0xc0, 0x80, 0x41]);
    // Surrogates and overlong forms are not characters.
    assert.deepEqual([...encodeLeniently(bytes(0xed, 0xa0, 0x80))], [0xed, 0xa0, 0x80]);
    assert.deepEqual([...encodeLeniently(bytes(0xe0, 0x81, 0x81))], [0xe0, 0x81, 0x81]);
});

test('byte offsets of the encoded text map to the characters that hold them', () => {
    // a: byte 0; あ: bytes 1 and 2; ｱ: 3; b: 4; the end: 5.
    assert.deepEqual([0, 1, 2, 3, 4, 5, 9].map((offset) => textIndex('aあｱb', offset)),
                     [0, 1, 1, 2, 3, 4, 4]);
});
