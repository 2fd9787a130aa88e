-- Assessment tables for SQL Server (nvarchar: Unicode text).
-- Statement for statement the same as postgres.sql and sqlite.sql.
-- Each statement ends with a semicolon at the end of a line.
-- Every table and column is declared in store/Schema.cpp; a test holds
-- the scripts of every dialect to that list.

-- Operators. mim holds an Argon2id hash string (or plain text in databases that came from elsewhere).
create table sys_yhxx (
    yonghdm nvarchar(12) not null,
    yonghmc nvarchar(50),
    mim     nvarchar(128),
    quanx   nvarchar(255),
    constraint pk_sys_yhxx primary key (yonghdm)
);

-- System information, one row; pinggzx is the name of the assessment centre.
create table sys_information (
    pinggzx nvarchar(100)
);

-- The version of this schema, one row; db upgrade brings an older database
-- (and restore an older backup) to the version the program knows.
create table sys_sjkbb (
    banb int not null
);

-- The assessment centre as printed in the report, one row.
create table jkpg_pgzx (
    danwdm  nvarchar(20),
    danwmc  nvarchar(100),
    dizl    nvarchar(200),
    lianxfs nvarchar(100),
    beiz    nvarchar(255),
    diq     nvarchar(10),
    chengx  nvarchar(10)
);

-- Report cover picture (JPEG), at most one row with tup_id 1.
create table sys_bgfm (
    tup_id int not null,
    beijtp varbinary(max),
    constraint pk_sys_bgfm primary key (tup_id)
);

-- Person records. zhaop holds the photo's name (record number plus the picture file extension, so it is
-- wider than bianh); zhaopsj the photo's bytes as chosen, zhaopgs their picture format.
create table jkpg_jbxx (
    bianh   nvarchar(10) not null,
    xingm   nvarchar(10),
    xingb   nvarchar(2),
    zunc    nvarchar(4),
    shenfzh nvarchar(18),
    nianl   decimal(18,0),
    minz    nvarchar(10),
    zhiy    nvarchar(30),
    hunyzk  nvarchar(8),
    wenhcd  nvarchar(10),
    gongzdw nvarchar(50),
    tongxdz nvarchar(50),
    lianxfs nvarchar(20),
    youj    nvarchar(50),
    lurrq   datetime,
    zhaop   nvarchar(20),
    banb int not null default 0,
    zhaopsj varbinary(max),
    zhaopgs nvarchar(10),
    constraint pk_jkpg_jbxx primary key (bianh)
);

-- Assessment register, one row per assessment; the number is unique over the database.
create table jkpg_id (
    jkpg_id int not null,
    bianh   nvarchar(10) not null,
    cis     int,
    id      nvarchar(10),
    zhuangt nvarchar(10),
    lurrq   datetime,
    banb int not null default 0,
    constraint pk_jkpg_id primary key (jkpg_id)
);

-- Current health status and family history. Tick boxes hold their caption or "0". At most one row per assessment.
create table jkpg_mqzk (
    mqzk_id    nvarchar(20),
    jkpg_id    int not null,
    bianh      nvarchar(10) not null,
    manxzqgy   nvarchar(20),
    naoxs      nvarchar(20),
    qitxzb     nvarchar(20),
    feia       nvarchar(20),
    feiqz      nvarchar(20),
    guanxb     nvarchar(20),
    yixtnb     nvarchar(20),
    ruxzs      nvarchar(20),
    xiaoc      nvarchar(20),
    gaoxyxxzb  nvarchar(20),
    erxtnb     nvarchar(20),
    qit        nvarchar(20),
    gaoxy      nvarchar(20),
    feixb      nvarchar(20),
    ruxa       nvarchar(20),
    naocx      nvarchar(20),
    xiantxxzb  nvarchar(20),
    qianlxa    nvarchar(20),
    qitnr      nvarchar(20),
    pilcd      nvarchar(20),
    tizbh      nvarchar(20),
    shifjtz    nvarchar(20),
    shifcxy    nvarchar(20),
    shifcxz    nvarchar(20),
    shiftt     nvarchar(20),
    shifbzc    nvarchar(20),
    jiazs_gxy  nvarchar(20),
    jiazs_1tnb nvarchar(20),
    jiazs_2tnb nvarchar(20),
    jiazs_gxz  nvarchar(20),
    jiazs_gxb  nvarchar(20),
    jiazs_nzz  nvarchar(20),
    jiazs_ncx  nvarchar(20),
    jiazs_nxs  nvarchar(20),
    jiazs_fp   nvarchar(20),
    lurrq      datetime,
    banb int not null default 0,
    constraint uq_jkpg_mqzk_assessment unique (jkpg_id, bianh)
);

-- Diet. At most one row per assessment.
create table jkpg_ssyy (
    ssyy_id  nchar(10),
    jkpg_id  int not null,
    bianh    nvarchar(10) not null,
    zufsbl   nvarchar(20),
    douzpsrl nvarchar(20),
    naizpsrl nvarchar(20),
    meitsc   nvarchar(20),
    meitsg   nvarchar(20),
    meitjd   nvarchar(20),
    meitzyr  nvarchar(20),
    meityxb  nvarchar(20),
    meitjye  nvarchar(20),
    meitgr   nvarchar(20),
    meitjl   nvarchar(20),
    meitbj   nvarchar(20),
    meitgj   nvarchar(20),
    meitzwy  nvarchar(20),
    meitsy   nvarchar(20),
    meitjcfp nvarchar(20),
    lurrq    datetime,
    banb int not null default 0,
    constraint uq_jkpg_ssyy_assessment unique (jkpg_id, bianh)
);

-- Exercise; yundjg is the verdict derived when the row is saved. At most one row per assessment.
create table jkpg_ydfs (
    ydfs_id  nchar(10),
    jkpg_id  int not null,
    bianh    nvarchar(10) not null,
    meizgzts nvarchar(20),
    zuozsj   nvarchar(20),
    chuxfs   nvarchar(20),
    duanlfs  nvarchar(100),
    duanlcs  nvarchar(20),
    duanlsj  nvarchar(20),
    yundjg   nvarchar(20),
    lurrq    datetime,
    banb int not null default 0,
    constraint uq_jkpg_ydfs_assessment unique (jkpg_id, bianh)
);

-- Lifestyle and habits. The yinjzl_ tick boxes hold their caption or "0". At most one row per assessment.
create table jkpg_shfs (
    shfs_id   nchar(10),
    jkpg_id   int not null,
    bianh     nvarchar(10) not null,
    beidxy    nvarchar(20),
    shifxy    nvarchar(20),
    xiyzs     nvarchar(20),
    yanl      nvarchar(20),
    shifyj    nvarchar(20),
    yinjzl_bj nvarchar(20),
    yinjzl_pj nvarchar(20),
    yinjzl_gj nvarchar(20),
    yinjzl_qt nvarchar(20),
    meirjl    nvarchar(20),
    shifjlcp  nvarchar(20),
    shifcs    nvarchar(20),
    shifzz    nvarchar(20),
    shuimzk   nvarchar(20),
    shuimsj   nvarchar(20),
    shifay    nvarchar(20),
    lurrq     datetime,
    banb int not null default 0,
    constraint uq_jkpg_shfs_assessment unique (jkpg_id, bianh)
);

-- Physical examination and laboratory values. Height in m, weight in kg, pressures in mmHg, lipids and glucose in mmol/L; uric acid is kept as text. At most one row per assessment.
create table jkpg_tgjc (
    tgjc_id   nchar(10),
    jkpg_id   int not null,
    bianh     nvarchar(10) not null,
    sheng     decimal(18,2),
    tiz       float,
    tizzs     float,
    yaow      float,
    tunw      float,
    shousy    decimal(18,0),
    shuzy     decimal(18,0),
    zuoxsfd   nvarchar(2),
    zongdgc   float,
    ganysz    float,
    gaomdzdb  float,
    dimdzdb   float,
    kongfxt   float,
    canhexsxt float,
    tanghxhdb float,
    xuens     nvarchar(20),
    zhifg_bc  nvarchar(20),
    jiangyy   nvarchar(10),
    lurrq     datetime,
    banb int not null default 0,
    constraint uq_jkpg_tgjc_assessment unique (jkpg_id, bianh)
);

-- Reference ranges, one row per (biaomc, duiyzd); a NULL limit means no bound on that side.
create table jkpg_sjzd (
    biaomc    nvarchar(20),
    duiykjmc  nvarchar(20),
    duiyzd    nvarchar(20),
    duiyz     nvarchar(20),
    beiz      nvarchar(20),
    min_value decimal(18,2),
    max_value decimal(18,2),
    danw      nvarchar(20),
    banb int not null default 0
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
