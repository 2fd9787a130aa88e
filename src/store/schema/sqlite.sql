-- Assessment tables for SQLite.
-- SQLite keeps any value in any column, so every column carries the check
-- the servers apply by their types: text no longer than its width, numbers
-- only as numbers, times only as readable date-times, pictures as blobs.
-- Integer columns are declared "int" so that no key becomes a rowid alias
-- that would number rows by itself.
-- Each statement ends with a semicolon at the end of a line.
-- Every table and column is declared in store/Schema.cpp; a test holds
-- the scripts of every dialect to that list.

-- Operators. mim holds an Argon2id hash string (or plain text in databases that came from elsewhere).
create table sys_yhxx (
    yonghdm varchar(12) not null check (length(yonghdm) <= 12),
    yonghmc varchar(50) check (length(yonghmc) <= 50),
    mim     varchar(128) check (length(mim) <= 128),
    quanx   varchar(255) check (length(quanx) <= 255),
    constraint pk_sys_yhxx primary key (yonghdm)
);

-- System information, one row; pinggzx is the name of the assessment centre.
create table sys_information (
    pinggzx varchar(100) check (length(pinggzx) <= 100)
);

-- The version of this schema, one row; db upgrade brings an older database
-- (and restore an older backup) to the version the program knows.
create table sys_sjkbb (
    banb int not null check (typeof(banb) in ('integer', 'null') and banb between -2147483648 and 2147483647)
);

-- The assessment centre as printed in the report, one row.
create table jkpg_pgzx (
    danwdm  varchar(20) check (length(danwdm) <= 20),
    danwmc  varchar(100) check (length(danwmc) <= 100),
    dizl    varchar(200) check (length(dizl) <= 200),
    lianxfs varchar(100) check (length(lianxfs) <= 100),
    beiz    varchar(255) check (length(beiz) <= 255),
    diq     varchar(10) check (length(diq) <= 10),
    chengx  varchar(10) check (length(chengx) <= 10)
);

-- Report cover picture (JPEG), at most one row with tup_id 1.
create table sys_bgfm (
    tup_id int not null check (typeof(tup_id) in ('integer', 'null') and tup_id between -2147483648 and 2147483647),
    beijtp blob check (typeof(beijtp) in ('blob', 'null')),
    constraint pk_sys_bgfm primary key (tup_id)
);

-- Person records. zhaop holds the photo's name (record number plus the picture file extension, so it is
-- wider than bianh); zhaopsj the photo's bytes as chosen, zhaopgs their picture format.
create table jkpg_jbxx (
    bianh   varchar(10) not null check (length(bianh) <= 10),
    xingm   varchar(10) check (length(xingm) <= 10),
    xingb   varchar(2) check (length(xingb) <= 2),
    zunc    varchar(4) check (length(zunc) <= 4),
    shenfzh varchar(18) check (length(shenfzh) <= 18),
    nianl   numeric(18,0) check (typeof(nianl) in ('integer', 'real', 'null')),
    minz    varchar(10) check (length(minz) <= 10),
    zhiy    varchar(30) check (length(zhiy) <= 30),
    hunyzk  varchar(8) check (length(hunyzk) <= 8),
    wenhcd  varchar(10) check (length(wenhcd) <= 10),
    gongzdw varchar(50) check (length(gongzdw) <= 50),
    tongxdz varchar(50) check (length(tongxdz) <= 50),
    lianxfs varchar(20) check (length(lianxfs) <= 20),
    youj    varchar(50) check (length(youj) <= 50),
    lurrq   datetime check (lurrq is null or (typeof(lurrq) = 'text' and julianday(lurrq) is not null)),
    zhaop   varchar(20) check (length(zhaop) <= 20),
    banb int not null default 0 check (typeof(banb) in ('integer', 'null') and banb between -2147483648 and 2147483647),
    zhaopsj blob check (typeof(zhaopsj) in ('blob', 'null')),
    zhaopgs varchar(10) check (length(zhaopgs) <= 10),
    constraint pk_jkpg_jbxx primary key (bianh)
);

-- Assessment register, one row per assessment; the number is unique over the database.
create table jkpg_id (
    jkpg_id int not null check (typeof(jkpg_id) in ('integer', 'null') and jkpg_id between -2147483648 and 2147483647),
    bianh   varchar(10) not null check (length(bianh) <= 10),
    cis     int check (typeof(cis) in ('integer', 'null') and cis between -2147483648 and 2147483647),
    id      varchar(10) check (length(id) <= 10),
    zhuangt varchar(10) check (length(zhuangt) <= 10),
    lurrq   datetime check (lurrq is null or (typeof(lurrq) = 'text' and julianday(lurrq) is not null)),
    banb int not null default 0 check (typeof(banb) in ('integer', 'null') and banb between -2147483648 and 2147483647),
    constraint pk_jkpg_id primary key (jkpg_id)
);

-- Current health status and family history. Tick boxes hold their caption or "0". At most one row per assessment.
create table jkpg_mqzk (
    mqzk_id    varchar(20) check (length(mqzk_id) <= 20),
    jkpg_id    int not null check (typeof(jkpg_id) in ('integer', 'null') and jkpg_id between -2147483648 and 2147483647),
    bianh      varchar(10) not null check (length(bianh) <= 10),
    manxzqgy   varchar(20) check (length(manxzqgy) <= 20),
    naoxs      varchar(20) check (length(naoxs) <= 20),
    qitxzb     varchar(20) check (length(qitxzb) <= 20),
    feia       varchar(20) check (length(feia) <= 20),
    feiqz      varchar(20) check (length(feiqz) <= 20),
    guanxb     varchar(20) check (length(guanxb) <= 20),
    yixtnb     varchar(20) check (length(yixtnb) <= 20),
    ruxzs      varchar(20) check (length(ruxzs) <= 20),
    xiaoc      varchar(20) check (length(xiaoc) <= 20),
    gaoxyxxzb  varchar(20) check (length(gaoxyxxzb) <= 20),
    erxtnb     varchar(20) check (length(erxtnb) <= 20),
    qit        varchar(20) check (length(qit) <= 20),
    gaoxy      varchar(20) check (length(gaoxy) <= 20),
    feixb      varchar(20) check (length(feixb) <= 20),
    ruxa       varchar(20) check (length(ruxa) <= 20),
    naocx      varchar(20) check (length(naocx) <= 20),
    xiantxxzb  varchar(20) check (length(xiantxxzb) <= 20),
    qianlxa    varchar(20) check (length(qianlxa) <= 20),
    qitnr      varchar(20) check (length(qitnr) <= 20),
    pilcd      varchar(20) check (length(pilcd) <= 20),
    tizbh      varchar(20) check (length(tizbh) <= 20),
    shifjtz    varchar(20) check (length(shifjtz) <= 20),
    shifcxy    varchar(20) check (length(shifcxy) <= 20),
    shifcxz    varchar(20) check (length(shifcxz) <= 20),
    shiftt     varchar(20) check (length(shiftt) <= 20),
    shifbzc    varchar(20) check (length(shifbzc) <= 20),
    jiazs_gxy  varchar(20) check (length(jiazs_gxy) <= 20),
    jiazs_1tnb varchar(20) check (length(jiazs_1tnb) <= 20),
    jiazs_2tnb varchar(20) check (length(jiazs_2tnb) <= 20),
    jiazs_gxz  varchar(20) check (length(jiazs_gxz) <= 20),
    jiazs_gxb  varchar(20) check (length(jiazs_gxb) <= 20),
    jiazs_nzz  varchar(20) check (length(jiazs_nzz) <= 20),
    jiazs_ncx  varchar(20) check (length(jiazs_ncx) <= 20),
    jiazs_nxs  varchar(20) check (length(jiazs_nxs) <= 20),
    jiazs_fp   varchar(20) check (length(jiazs_fp) <= 20),
    lurrq      datetime check (lurrq is null or (typeof(lurrq) = 'text' and julianday(lurrq) is not null)),
    banb int not null default 0 check (typeof(banb) in ('integer', 'null') and banb between -2147483648 and 2147483647),
    constraint uq_jkpg_mqzk_assessment unique (jkpg_id, bianh)
);

-- Diet. At most one row per assessment.
create table jkpg_ssyy (
    ssyy_id  char(10) check (length(ssyy_id) <= 10),
    jkpg_id  int not null check (typeof(jkpg_id) in ('integer', 'null') and jkpg_id between -2147483648 and 2147483647),
    bianh    varchar(10) not null check (length(bianh) <= 10),
    zufsbl   varchar(20) check (length(zufsbl) <= 20),
    douzpsrl varchar(20) check (length(douzpsrl) <= 20),
    naizpsrl varchar(20) check (length(naizpsrl) <= 20),
    meitsc   varchar(20) check (length(meitsc) <= 20),
    meitsg   varchar(20) check (length(meitsg) <= 20),
    meitjd   varchar(20) check (length(meitjd) <= 20),
    meitzyr  varchar(20) check (length(meitzyr) <= 20),
    meityxb  varchar(20) check (length(meityxb) <= 20),
    meitjye  varchar(20) check (length(meitjye) <= 20),
    meitgr   varchar(20) check (length(meitgr) <= 20),
    meitjl   varchar(20) check (length(meitjl) <= 20),
    meitbj   varchar(20) check (length(meitbj) <= 20),
    meitgj   varchar(20) check (length(meitgj) <= 20),
    meitzwy  varchar(20) check (length(meitzwy) <= 20),
    meitsy   varchar(20) check (length(meitsy) <= 20),
    meitjcfp varchar(20) check (length(meitjcfp) <= 20),
    lurrq    datetime check (lurrq is null or (typeof(lurrq) = 'text' and julianday(lurrq) is not null)),
    banb int not null default 0 check (typeof(banb) in ('integer', 'null') and banb between -2147483648 and 2147483647),
    constraint uq_jkpg_ssyy_assessment unique (jkpg_id, bianh)
);

-- Exercise; yundjg is the verdict derived when the row is saved. At most one row per assessment.
create table jkpg_ydfs (
    ydfs_id  char(10) check (length(ydfs_id) <= 10),
    jkpg_id  int not null check (typeof(jkpg_id) in ('integer', 'null') and jkpg_id between -2147483648 and 2147483647),
    bianh    varchar(10) not null check (length(bianh) <= 10),
    meizgzts varchar(20) check (length(meizgzts) <= 20),
    zuozsj   varchar(20) check (length(zuozsj) <= 20),
    chuxfs   varchar(20) check (length(chuxfs) <= 20),
    duanlfs  varchar(100) check (length(duanlfs) <= 100),
    duanlcs  varchar(20) check (length(duanlcs) <= 20),
    duanlsj  varchar(20) check (length(duanlsj) <= 20),
    yundjg   varchar(20) check (length(yundjg) <= 20),
    lurrq    datetime check (lurrq is null or (typeof(lurrq) = 'text' and julianday(lurrq) is not null)),
    banb int not null default 0 check (typeof(banb) in ('integer', 'null') and banb between -2147483648 and 2147483647),
    constraint uq_jkpg_ydfs_assessment unique (jkpg_id, bianh)
);

-- Lifestyle and habits. The yinjzl_ tick boxes hold their caption or "0". At most one row per assessment.
create table jkpg_shfs (
    shfs_id   char(10) check (length(shfs_id) <= 10),
    jkpg_id   int not null check (typeof(jkpg_id) in ('integer', 'null') and jkpg_id between -2147483648 and 2147483647),
    bianh     varchar(10) not null check (length(bianh) <= 10),
    beidxy    varchar(20) check (length(beidxy) <= 20),
    shifxy    varchar(20) check (length(shifxy) <= 20),
    xiyzs     varchar(20) check (length(xiyzs) <= 20),
    yanl      varchar(20) check (length(yanl) <= 20),
    shifyj    varchar(20) check (length(shifyj) <= 20),
    yinjzl_bj varchar(20) check (length(yinjzl_bj) <= 20),
    yinjzl_pj varchar(20) check (length(yinjzl_pj) <= 20),
    yinjzl_gj varchar(20) check (length(yinjzl_gj) <= 20),
    yinjzl_qt varchar(20) check (length(yinjzl_qt) <= 20),
    meirjl    varchar(20) check (length(meirjl) <= 20),
    shifjlcp  varchar(20) check (length(shifjlcp) <= 20),
    shifcs    varchar(20) check (length(shifcs) <= 20),
    shifzz    varchar(20) check (length(shifzz) <= 20),
    shuimzk   varchar(20) check (length(shuimzk) <= 20),
    shuimsj   varchar(20) check (length(shuimsj) <= 20),
    shifay    varchar(20) check (length(shifay) <= 20),
    lurrq     datetime check (lurrq is null or (typeof(lurrq) = 'text' and julianday(lurrq) is not null)),
    banb int not null default 0 check (typeof(banb) in ('integer', 'null') and banb between -2147483648 and 2147483647),
    constraint uq_jkpg_shfs_assessment unique (jkpg_id, bianh)
);

-- Physical examination and laboratory values. Height in m, weight in kg, pressures in mmHg, lipids and glucose in mmol/L; uric acid is kept as text. At most one row per assessment.
create table jkpg_tgjc (
    tgjc_id   char(10) check (length(tgjc_id) <= 10),
    jkpg_id   int not null check (typeof(jkpg_id) in ('integer', 'null') and jkpg_id between -2147483648 and 2147483647),
    bianh     varchar(10) not null check (length(bianh) <= 10),
    sheng     numeric(18,2) check (typeof(sheng) in ('integer', 'real', 'null')),
    tiz       real check (typeof(tiz) in ('integer', 'real', 'null')),
    tizzs     real check (typeof(tizzs) in ('integer', 'real', 'null')),
    yaow      real check (typeof(yaow) in ('integer', 'real', 'null')),
    tunw      real check (typeof(tunw) in ('integer', 'real', 'null')),
    shousy    numeric(18,0) check (typeof(shousy) in ('integer', 'real', 'null')),
    shuzy     numeric(18,0) check (typeof(shuzy) in ('integer', 'real', 'null')),
    zuoxsfd   varchar(2) check (length(zuoxsfd) <= 2),
    zongdgc   real check (typeof(zongdgc) in ('integer', 'real', 'null')),
    ganysz    real check (typeof(ganysz) in ('integer', 'real', 'null')),
    gaomdzdb  real check (typeof(gaomdzdb) in ('integer', 'real', 'null')),
    dimdzdb   real check (typeof(dimdzdb) in ('integer', 'real', 'null')),
    kongfxt   real check (typeof(kongfxt) in ('integer', 'real', 'null')),
    canhexsxt real check (typeof(canhexsxt) in ('integer', 'real', 'null')),
    tanghxhdb real check (typeof(tanghxhdb) in ('integer', 'real', 'null')),
    xuens     varchar(20) check (length(xuens) <= 20),
    zhifg_bc  varchar(20) check (length(zhifg_bc) <= 20),
    jiangyy   varchar(10) check (length(jiangyy) <= 10),
    lurrq     datetime check (lurrq is null or (typeof(lurrq) = 'text' and julianday(lurrq) is not null)),
    banb int not null default 0 check (typeof(banb) in ('integer', 'null') and banb between -2147483648 and 2147483647),
    constraint uq_jkpg_tgjc_assessment unique (jkpg_id, bianh)
);

-- Reference ranges, one row per (biaomc, duiyzd); a NULL limit means no bound on that side.
create table jkpg_sjzd (
    biaomc    varchar(20) check (length(biaomc) <= 20),
    duiykjmc  varchar(20) check (length(duiykjmc) <= 20),
    duiyzd    varchar(20) check (length(duiyzd) <= 20),
    duiyz     varchar(20) check (length(duiyz) <= 20),
    beiz      varchar(20) check (length(beiz) <= 20),
    min_value numeric(18,2) check (typeof(min_value) in ('integer', 'real', 'null')),
    max_value numeric(18,2) check (typeof(max_value) in ('integer', 'real', 'null')),
    danw      varchar(20) check (length(danw) <= 20),
    banb int not null default 0 check (typeof(banb) in ('integer', 'null') and banb between -2147483648 and 2147483647)
);

-- The assessments of a person, latest first, and the search by record number.
create index ix_jkpg_id_bianh on jkpg_id (bianh, jkpg_id);

-- The search by assessment date. With the number, how many assessments a
-- few days hold and their lowest and highest number are read from the index.
create index ix_jkpg_id_lurrq on jkpg_id (lurrq, jkpg_id);

-- The search by name.
create index ix_jkpg_jbxx_xingm on jkpg_jbxx (xingm);

-- The search by sex (and age) and by age: they let a search find at once that
-- few persons or none match, instead of reading every assessment to say so.
create index ix_jkpg_jbxx_xingb on jkpg_jbxx (xingb, nianl);
create index ix_jkpg_jbxx_nianl on jkpg_jbxx (nianl);

-- Reference lookups by table and column.
create index ix_jkpg_sjzd_duiyzd on jkpg_sjzd (biaomc, duiyzd);

-- One row per assessment whose person exists (inner join).
create view v_jkpg_jbxx as
select i.bianh, i.jkpg_id, i.zhuangt, i.lurrq, j.xingm, j.xingb, j.nianl
from jkpg_id i
inner join jkpg_jbxx j on j.bianh = i.bianh;
