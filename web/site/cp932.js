// Code page 932 at the playground's edge: the page holds Unicode text, the core
// code page 932 bytes. Converting them is what QUORIN_SOURCE_ENCODING=UTF-8 and
// QUORIN_CONSOLE_ENCODING=UTF-8 do on the console.
//
// Browsers decode the encoding themselves (TextDecoder's "shift_jis" is code
// page 932, extensions included) but encode nothing but UTF-8. The encoder's
// table is therefore read off the decoder: every code the decoder knows, in
// order, with the first code of a character winning, except that the NEC
// selection of IBM extensions (lead bytes 0xED and 0xEE) yields to the IBM
// extensions (0xFA to 0xFC) that repeat them. That is the choice code page 932
// converters make, so text goes back to the bytes it came from.

let table = null;

function isLeadByte(byte) {
    return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
}

function isTrailByte(byte) {
    return byte >= 0x40 && byte <= 0xfc && byte !== 0x7f;
}

// Code point -> code (a byte, or lead byte * 256 + trail byte).
function encoderTable() {
    if (table) return table;
    table = new Map();
    const decoder = new TextDecoder('shift_jis');
    const learn = (bytes, code) => {
        const text = decoder.decode(bytes);
        const point = text.codePointAt(0);
        if (text.length === 1 && point !== 0xfffd && !table.has(point)) table.set(point, code);
    };
    // Below 0x80 the bytes are ASCII, whatever a decoder's table says of the
    // control characters (some swap 0x1A, 0x1C and 0x7F).
    for (let byte = 0; byte < 0x80; ++byte) table.set(byte, byte);
    for (let byte = 0x80; byte < 0x100; ++byte) {
        if (!isLeadByte(byte)) learn(Uint8Array.of(byte), byte);
    }
    const leads = [];
    for (let lead = 0x81; lead <= 0xfc; ++lead) {
        if (isLeadByte(lead) && lead !== 0xed && lead !== 0xee) leads.push(lead);
    }
    leads.push(0xed, 0xee);
    for (const lead of leads) {
        for (let trail = 0x40; trail <= 0xfc; ++trail) {
            if (isTrailByte(trail)) learn(Uint8Array.of(lead, trail), lead * 256 + trail);
        }
    }
    return table;
}

function push(bytes, code) {
    if (code > 0xff) bytes.push(code >> 8);
    bytes.push(code & 0xff);
}

// The code page 932 bytes of `text`, or null when some character has none.
export function encodeStrictly(text) {
    const codes = encoderTable();
    const bytes = [];
    for (const character of text) {
        const code = codes.get(character.codePointAt(0));
        if (code === undefined) return null;
        push(bytes, code);
    }
    return Uint8Array.from(bytes);
}

// The length and code point of the UTF-8 sequence at `bytes[at]`, or null when
// it is not a whole, well-formed one.
function utf8Sequence(bytes, at) {
    const first = bytes[at];
    if (first < 0x80) return { length: 1, point: first };
    let length, point, lowest;
    if (first >= 0xc2 && first <= 0xdf) [length, point, lowest] = [2, first & 0x1f, 0x80];
    else if (first >= 0xe0 && first <= 0xef) [length, point, lowest] = [3, first & 0x0f, 0x800];
    else if (first >= 0xf0 && first <= 0xf4) [length, point, lowest] = [4, first & 0x07, 0x10000];
    else return null;
    if (at + length > bytes.length) return null;
    for (let i = 1; i < length; ++i) {
        const next = bytes[at + i];
        if ((next & 0xc0) !== 0x80) return null;
        point = point * 64 + (next & 0x3f);
    }
    if (point < lowest || point > 0x10ffff || (point >= 0xd800 && point <= 0xdfff)) return null;
    return { length, point };
}

// The code page 932 form of UTF-8 `bytes`, as the console converts a line it
// reads: a byte that does not begin a character code page 932 has, or an
// incomplete one at the end, is passed on unchanged, so nothing typed is lost.
export function encodeLeniently(bytes) {
    const codes = encoderTable();
    const result = [];
    for (let at = 0; at < bytes.length; ) {
        const sequence = utf8Sequence(bytes, at);
        const code = sequence && codes.get(sequence.point);
        if (code === undefined || code === null) {
            result.push(bytes[at++]);
        } else {
            push(result, code);
            at += sequence.length;
        }
    }
    return Uint8Array.from(result);
}

// The index in `text` of the character that holds byte `offset` of its code
// page 932 form (text.length past the end); `text` must have that form.
export function textIndex(text, offset) {
    const codes = encoderTable();
    let byte = 0;
    let index = 0;
    for (const character of text) {
        const size = codes.get(character.codePointAt(0)) > 0xff ? 2 : 1;
        if (byte + size > offset) return index;
        byte += size;
        index += character.length;
    }
    return index;
}
